// SPDX-License-Identifier: GPL-3.0-or-later
#include "PulseServer.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <numbers>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace quaverly::test {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

bool waitFor(const std::function<bool()> &done, std::chrono::milliseconds timeout)
{
    for (const auto deadline = Clock::now() + timeout; !done();) {
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

// A negative pid ends the whole process group.
void terminate(pid_t pid)
{
    if (pid == 0 || pid == -1)
        return;
    const pid_t child = pid < 0 ? -pid : pid;
    const auto reaped = [child] { return waitpid(child, nullptr, WNOHANG) != 0; };
    ::kill(pid, SIGTERM);
    if (!waitFor(reaped, 3000ms)) {
        ::kill(pid, SIGKILL);
        waitFor(reaped, 3000ms);
    }
    if (pid < 0)
        ::kill(pid, SIGKILL); // daemons that outlived their session
}

} // namespace

const char *kindName(PulseServer::Kind kind)
{
    return kind == PulseServer::Kind::PipeWire ? "PipeWire" : "PulseAudio";
}

PulseServer::PulseServer(Options options)
    : mOptions(options)
{
    char pattern[] = "/tmp/quaverly-pulse-XXXXXX";
    if (const char *dir = mkdtemp(pattern)) {
        mDir = dir;
        for (const char *sub : {"/home/.config", "/runtime", "/state"})
            std::filesystem::create_directories(mDir + sub);
        std::filesystem::permissions(mDir + "/runtime", std::filesystem::perms::owner_all);
        std::ofstream(mDir + "/client.conf") << "autospawn = no\n";
    }
}

PulseServer::~PulseServer()
{
    stop();
    for (const auto &[key, value] : mSavedEnvironment)
        value ? setenv(key.c_str(), value->c_str(), 1) : unsetenv(key.c_str());
    std::error_code ignored;
    if (!mDir.empty())
        std::filesystem::remove_all(mDir, ignored);
}

std::string PulseServer::socketPath() const
{
    // pipewire-pulse makes its socket in PULSE_RUNTIME_PATH.
    return mDir + (mOptions.kind == Kind::PipeWire ? "/runtime/native" : "/native");
}

std::vector<std::string> PulseServer::environment() const
{
    const std::map<std::string, std::string> overrides{
        {"HOME", mDir + "/home"},
        {"XDG_RUNTIME_DIR", mDir + "/runtime"},
        {"XDG_CONFIG_HOME", mDir + "/home/.config"},
        {"XDG_STATE_HOME", mDir + "/state"},
        {"PULSE_RUNTIME_PATH", mDir + "/runtime"},
        {"PULSE_STATE_PATH", mDir + "/state"},
        {"PULSE_SERVER", "unix:" + socketPath()},
        {"PULSE_CLIENTCONFIG", mDir + "/client.conf"},
        // dbus-run-session gives PipeWire's daemons their own bus; nothing
        // else may start one that outlives the test.
        {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + mDir + "/no-bus"},
    };
    std::vector<std::string> env;
    for (char **e = environ; e && *e; ++e) {
        const std::string entry(*e);
        if (!overrides.contains(entry.substr(0, entry.find('='))))
            env.push_back(entry);
    }
    for (const auto &[key, value] : overrides)
        env.push_back(key + "=" + value);
    return env;
}

pid_t PulseServer::launch(const std::vector<std::string> &args, const std::string &stdoutPath, bool ownGroup)
{
    std::vector<std::string> env = environment();
    std::vector<char *> argv, envp;
    for (const auto &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    for (auto &e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const std::string log = mDir + "/log.txt";
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    if (ownGroup)
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), envp.data());
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

int PulseServer::run(const std::vector<std::string> &args, std::string *output)
{
    const std::string outPath = mDir + "/run.out";
    const pid_t pid = launch(args, outPath);
    int status = 0;
    if (pid <= 0 || !waitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 10s)) {
        terminate(pid);
        return -1;
    }
    if (output) {
        std::ifstream in(outPath);
        output->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

pid_t PulseServer::spawn(const std::vector<std::string> &args)
{
    const pid_t pid = launch(args, "/dev/null");
    if (pid > 0)
        mHelpers.push_back(pid);
    return pid;
}

void PulseServer::kill(pid_t pid)
{
    std::erase(mHelpers, pid);
    terminate(pid);
}

bool PulseServer::loadSink()
{
    return run({"pactl", "load-module", "module-null-sink", "sink_name=tone",
               "rate=" + std::to_string(mOptions.rateHz)}) == 0;
}

bool PulseServer::unloadSink()
{
    std::string modules;
    run({"pactl", "list", "short", "modules"}, &modules);
    const auto at = modules.find("sink_name=tone");
    const auto line = at == std::string::npos ? at : modules.rfind('\n', at);
    const std::string index = modules.substr(line == std::string::npos ? 0 : line + 1);
    return at != std::string::npos && run({"pactl", "unload-module", index.substr(0, index.find('\t'))}) == 0;
}

bool PulseServer::start()
{
    if (mServerPid > 0)
        return true;
    mError.clear();
    if (mOptions.kind == Kind::PipeWire) {
        // WirePlumber links the streams; without it recorders hear nothing.
        const std::string script = "pipewire & until [ -S \"$XDG_RUNTIME_DIR/pipewire-0\" ]; do sleep 0.02; done;"
                                   " wireplumber & pipewire-pulse & wait";
        mServerPid = launch({"dbus-run-session", "--", "sh", "-c", script}, "/dev/null", true);
    } else {
        mServerPid = launch({"pulseaudio", "--daemonize=no", "-n", "--use-pid-file=no", "--exit-idle-time=-1",
                                "--disallow-exit", "--realtime=no", "--high-priority=no", "--log-target=stderr",
                                "--load=module-native-protocol-unix socket=" + socketPath() + " auth-anonymous=1"},
            "/dev/null");
    }
    const auto fail = [this](std::string why) {
        mError = std::string(kindName(mOptions.kind)) + ": " + why + "; see " + mDir + "/log.txt";
        stop();
        return false;
    };
    if (mServerPid <= 0)
        return fail("cannot run the server");
    if (!waitFor([this] { return run({"pactl", "info"}) == 0; }, 15s))
        return fail("the server did not answer within 15 s");
    if (!loadSink())
        return fail("cannot load the null sink");
    const std::pair<const char *, std::string> exported[] = {{"PULSE_SERVER", "unix:" + socketPath()},
        {"PULSE_CLIENTCONFIG", mDir + "/client.conf"}, {"PULSE_RUNTIME_PATH", mDir + "/runtime"}};
    for (const auto &[key, value] : exported) {
        if (mSavedEnvironment.size() < std::size(exported)) {
            const char *old = std::getenv(key);
            mSavedEnvironment.emplace_back(key, old ? std::optional<std::string>(old) : std::nullopt);
        }
        setenv(key, value.c_str(), 1);
    }
    // A long latency, so it does not set PipeWire's quantum for the tuner.
    const std::string keeperPath = mDir + "/keeper.raw";
    spawn({"sh", "-c", "exec parec -d tone.monitor --latency-msec=100 --channels=1 --format=u8 --raw > " + keeperPath});
    std::error_code ec;
    if (!waitFor([&] { return std::filesystem::file_size(keeperPath, ec) > 0 && !ec; }, 15s))
        return fail("the sink's monitor delivered nothing within 15 s");
    return true;
}

void PulseServer::stop()
{
    for (const pid_t pid : mHelpers)
        terminate(pid);
    mHelpers.clear();
    terminate(mOptions.kind == Kind::PipeWire ? -mServerPid : mServerPid);
    mServerPid = -1;
}

pid_t PulseServer::playSamples(const std::function<float(std::size_t)> &sample, double seconds)
{
    const std::string path = mDir + "/sound-" + std::to_string(mSoundCount++) + ".raw";
    {
        std::ofstream out(path, std::ios::binary);
        for (std::size_t i = 0; i < std::size_t(seconds * mOptions.rateHz); ++i) {
            const float value = sample(i);
            out.write(reinterpret_cast<const char *>(&value), sizeof value);
        }
    }
    // Played as a sound card would deliver it: in short periods.
    return spawn({"pacat", "--playback", "-d", "tone", "--latency-msec=20", "--raw", "--format=float32le",
        "--rate=" + std::to_string(mOptions.rateHz), "--channels=1", path});
}

pid_t PulseServer::playTone(double frequencyHz, double seconds)
{
    const double rate = mOptions.rateHz;
    return playSamples(
        [&](std::size_t i) { return float(0.5 * std::sin(2.0 * std::numbers::pi * frequencyHz * double(i) / rate)); },
        seconds);
}

int PulseServer::shownVolume()
{
    std::string out;
    run({"pactl", "get-source-volume", "tone.monitor"}, &out);
    // "Volume: front-left: 24248 /  37% / …"
    const auto slash = out.find('/');
    return slash == std::string::npos ? -1 : std::atoi(out.c_str() + slash + 1);
}

} // namespace quaverly::test
