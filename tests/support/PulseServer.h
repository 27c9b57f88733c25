// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

extern char **environ;

namespace quaverly::test {

namespace pulse_server {

using namespace std::chrono_literals;

inline bool waitFor(const std::function<bool()> &done, std::chrono::milliseconds timeout)
{
    for (const auto deadline = std::chrono::steady_clock::now() + timeout; !done(); std::this_thread::sleep_for(10ms))
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
    return true;
}

// A negative pid ends the whole process group.
inline void terminate(pid_t pid)
{
    if (pid == 0 || pid == -1)
        return;
    const auto reaped = [child = std::abs(pid)] { return waitpid(child, nullptr, WNOHANG) != 0; };
    ::kill(pid, SIGTERM);
    if (!waitFor(reaped, 3000ms) || pid < 0) {
        ::kill(pid, SIGKILL);
        waitFor(reaped, 3000ms);
    }
}

} // namespace pulse_server

// A private sound server speaking the pulse protocol: PulseAudio, or
// PipeWire (pipewire, wireplumber, pipewire-pulse under one
// dbus-run-session). Own runtime directory, socket and HOME in a temporary
// folder; a null sink "tone" whose monitor "tone.monitor" is the capture
// source. start() points this process's libpulse clients at it and keeps a
// recorder on the monitor (a fresh null-sink monitor is ~2 s late). All it
// starts is ended by pid (PipeWire's daemons by their process group).
class PulseServer {
public:
    enum class Kind { PulseAudio, PipeWire };
    struct Options {
        Kind kind = Kind::PulseAudio;
        unsigned rateHz = 48000;
        // Also a capture source "mic" fed by "tone" (Qt lists no monitors).
        bool microphone = false;
    };

    explicit PulseServer(Options options)
        : mOptions(options)
    {
        char pattern[] = "/tmp/quaverly-pulse-XXXXXX";
        mDir = mkdtemp(pattern) ? pattern : "/nonexistent";
        std::error_code ec;
        std::filesystem::create_directories(mDir + "/home/.config", ec);
        std::filesystem::create_directories(mDir + "/runtime", ec);
        std::filesystem::permissions(mDir + "/runtime", std::filesystem::perms::owner_all, ec);
        std::ofstream(mDir + "/client.conf") << "autospawn = no\n";
        // Only what libpulse clients read; HOME stays, Qt's settings live there.
        // pipewire-pulse makes its socket in PULSE_RUNTIME_PATH.
        const std::string socket = mDir + (options.kind == Kind::PipeWire ? "/runtime/native" : "/native");
        setenv("PULSE_SERVER", ("unix:" + socket).c_str(), 1);
        setenv("PULSE_CLIENTCONFIG", (mDir + "/client.conf").c_str(), 1);
        setenv("PULSE_RUNTIME_PATH", (mDir + "/runtime").c_str(), 1);
    }
    ~PulseServer()
    {
        stop();
        std::error_code ignored;
        std::filesystem::remove_all(mDir, ignored);
    }
    PulseServer(const PulseServer &) = delete;
    PulseServer &operator=(const PulseServer &) = delete;

    // (Re)starts; on failure false with the reason in error().
    bool start()
    {
        using namespace std::chrono_literals;
        if (mServerPid > 0)
            return true;
        if (mOptions.kind == Kind::PipeWire) // WirePlumber links the streams: without it recorders hear nothing.
            mServerPid = launch({"dbus-run-session", "--", "sh", "-c",
                                    "pipewire & until [ -S \"$XDG_RUNTIME_DIR/pipewire-0\" ]; do sleep 0.02; done;"
                                    " wireplumber & pipewire-pulse & wait"},
                "/dev/null", true);
        else
            mServerPid = launch({"pulseaudio", "--daemonize=no", "-n", "--use-pid-file=no", "--exit-idle-time=-1",
                                    "--disallow-exit", "--realtime=no", "--high-priority=no", "--log-target=stderr",
                                    "--load=module-native-protocol-unix socket=" + mDir + "/native auth-anonymous=1"},
                "/dev/null");
        const std::string keeper = mDir + "/keeper.raw";
        const auto delivered = [&] { return std::filesystem::exists(keeper) && std::filesystem::file_size(keeper) > 0; };
        const char *why = mServerPid <= 0 ? "cannot run the server"
            : !pulse_server::waitFor([&] { return run({"pactl", "info"}) == 0; }, 15s) ? "no answer within 15 s"
            : !loadSink() ? "cannot load the null sink"
            // A long latency, so it does not set PipeWire's quantum for the tuner.
            : spawn({"sh", "-c", "exec parec -d tone.monitor --latency-msec=100 --channels=1 --format=u8 --raw >" + keeper}) < 0
                || !pulse_server::waitFor(delivered, 15s)
            ? "the monitor delivered nothing within 15 s" : nullptr;
        if (why) {
            mError = std::string(kindName(mOptions.kind)) + ": " + why;
            stop();
        }
        return !why;
    }
    void stop()
    {
        for (const pid_t pid : mHelpers)
            pulse_server::terminate(pid);
        mHelpers.clear();
        pulse_server::terminate(mOptions.kind == Kind::PipeWire ? -mServerPid : mServerPid);
        mServerPid = -1;
    }
    [[nodiscard]] const std::string &error() const { return mError; }
    [[nodiscard]] const std::string &directory() const { return mDir; }
    // Takes effect at the next start() or loadSink().
    void setRateHz(unsigned rateHz) { mOptions.rateHz = rateHz; }
    // Unplug and plug "tone": a re-plugged device.
    bool unloadSink()
    {
        std::string modules;
        run({"pactl", "list", "short", "modules"}, &modules);
        // "mic" first: PipeWire keeps a remapped source whose master went.
        const auto unload = [&](const char *argument) {
            const auto at = modules.find(argument);
            const auto line = modules.rfind('\n', at) + 1; // npos + 1 is the start
            return at != std::string::npos
                && run({"pactl", "unload-module", modules.substr(line, modules.find('\t', line) - line)}) == 0;
        };
        return (!mOptions.microphone || unload("source_name=mic")) && unload("sink_name=tone");
    }
    bool loadSink()
    {
        return run({"pactl", "load-module", "module-null-sink", "sink_name=tone", "rate=" + std::to_string(mOptions.rateHz)})
            == 0
            && (!mOptions.microphone
                || run({"pactl", "load-module", "module-remap-source", "source_name=mic", "master=tone.monitor",
                       "source_properties=device.description=Microphone"})
                    == 0);
    }

    // Runs a client (pactl, …) and waits; its exit status, -1 if it could
    // not run. output gets its stdout.
    int run(const std::vector<std::string> &args, std::string *output = nullptr)
    {
        using namespace std::chrono_literals;
        const pid_t pid = launch(args, mDir + "/run.out");
        int status = 0;
        if (pid <= 0 || !pulse_server::waitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 10s)) {
            pulse_server::terminate(pid);
            return -1;
        }
        if (std::ifstream in(mDir + "/run.out"); output)
            output->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // Starts a client in the background, ended by stop().
    pid_t spawn(const std::vector<std::string> &args)
    {
        const pid_t pid = launch(args, "/dev/null");
        mHelpers.push_back(pid);
        return pid;
    }
    // Plays a sine (amplitude 0.5) into "tone" in the background.
    pid_t playTone(double frequencyHz, double seconds)
    {
        const std::string path = mDir + "/sound-" + std::to_string(mSoundCount++) + ".raw";
        std::ofstream out(path, std::ios::binary);
        for (std::size_t i = 0; i < std::size_t(seconds * mOptions.rateHz); ++i) {
            const auto value = float(0.5 * std::sin(2.0 * std::numbers::pi * frequencyHz * double(i) / mOptions.rateHz));
            out.write(reinterpret_cast<const char *>(&value), sizeof value);
        }
        out.close();
        // In short periods, as a sound card delivers.
        return spawn({"pacat", "--playback", "-d", "tone", "--latency-msec=20", "--raw", "--format=float32le",
            "--rate=" + std::to_string(mOptions.rateHz), "--channels=1", path});
    }
    // The monitor's volume as pactl shows it, in whole percent.
    [[nodiscard]] int shownVolume()
    {
        std::string out; // "Volume: front-left: 24248 /  37% / …"
        run({"pactl", "get-source-volume", "tone.monitor"}, &out);
        const auto slash = out.find('/');
        return slash == std::string::npos ? -1 : std::atoi(out.c_str() + slash + 1);
    }

    [[nodiscard]] static const char *kindName(Kind kind) { return kind == Kind::PipeWire ? "PipeWire" : "PulseAudio"; }

private:
    pid_t launch(const std::vector<std::string> &args, const std::string &out, bool ownGroup = false)
    {
        // Through env(1), with the server's own folders; dbus-run-session gives PipeWire its own
        // bus, and nothing else may start one.
        std::vector<std::string> command{"env", "HOME=" + mDir + "/home", "XDG_RUNTIME_DIR=" + mDir + "/runtime",
            "XDG_CONFIG_HOME=" + mDir + "/home/.config", "XDG_STATE_HOME=" + mDir + "/home",
            "PULSE_STATE_PATH=" + mDir + "/home", "DBUS_SESSION_BUS_ADDRESS=unix:path=" + mDir + "/no-bus"};
        command.insert(command.end(), args.begin(), args.end());
        std::vector<char *> argv;
        for (auto &a : command)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, (mDir + "/log.txt").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        posix_spawnattr_setflags(&attr, ownGroup ? POSIX_SPAWN_SETPGROUP : 0);
        pid_t pid = -1;
        const int rc = posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), environ);
        posix_spawnattr_destroy(&attr);
        posix_spawn_file_actions_destroy(&actions);
        return rc == 0 ? pid : -1;
    }

    Options mOptions;
    std::string mDir, mError;
    pid_t mServerPid = -1;
    std::vector<pid_t> mHelpers;
    int mSoundCount = 0;
};

} // namespace quaverly::test
