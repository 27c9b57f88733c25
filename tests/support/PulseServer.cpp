// SPDX-License-Identifier: GPL-3.0-or-later
#include "PulseServer.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// Waits for a child up to the time-out; true when it has been reaped.
bool reap(pid_t pid, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid || r < 0)
            return true;
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(5ms);
    }
}

void terminate(pid_t pid)
{
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    if (!reap(pid, 3000ms)) {
        ::kill(pid, SIGKILL);
        reap(pid, 3000ms);
    }
}

} // namespace

PulseServer::PulseServer()
    : PulseServer(Options{})
{
}

PulseServer::PulseServer(Options options)
    : mOptions(std::move(options))
{
    char pattern[] = "/tmp/quaverly-pulse-XXXXXX";
    if (const char *dir = mkdtemp(pattern)) {
        mDir = dir;
        std::filesystem::create_directories(mDir + "/home");
        std::filesystem::create_directories(mDir + "/runtime");
        std::filesystem::create_directories(mDir + "/state");
        std::ofstream(mDir + "/client.conf") << "autospawn = no\n";
    }
}

PulseServer::~PulseServer()
{
    stop();
    for (const auto &[key, value] : mSavedEnvironment) {
        if (value)
            setenv(key.c_str(), value->c_str(), 1);
        else
            unsetenv(key.c_str());
    }
    if (!mDir.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(mDir, ignored);
    }
}

bool PulseServer::required()
{
    const char *ci = std::getenv("CI");
    return ci && std::strcmp(ci, "true") == 0;
}

std::vector<std::string> PulseServer::environment() const
{
    const std::map<std::string, std::string> overrides{
        {"HOME", mDir + "/home"},
        {"XDG_RUNTIME_DIR", mDir + "/runtime"},
        {"XDG_CONFIG_HOME", mDir + "/home/.config"},
        {"PULSE_RUNTIME_PATH", mDir + "/runtime"},
        {"PULSE_STATE_PATH", mDir + "/state"},
        {"PULSE_SERVER", "unix:" + socketPath()},
        {"PULSE_CLIENTCONFIG", mDir + "/client.conf"},
        {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + mDir + "/no-bus"},
    };
    std::vector<std::string> env;
    for (char **e = environ; e && *e; ++e) {
        const std::string entry(*e);
        const std::string key = entry.substr(0, entry.find('='));
        if (!overrides.contains(key))
            env.push_back(entry);
    }
    for (const auto &[key, value] : overrides)
        env.push_back(key + "=" + value);
    return env;
}

void PulseServer::exportEnvironment()
{
    // Only what libpulse clients read; HOME stays, Qt's settings live there.
    const std::pair<const char *, std::string> values[] = {
        {"PULSE_SERVER", "unix:" + socketPath()},
        {"PULSE_CLIENTCONFIG", mDir + "/client.conf"},
        {"PULSE_RUNTIME_PATH", mDir + "/runtime"},
        {"PULSE_STATE_PATH", mDir + "/state"},
    };
    for (const auto &[key, value] : values) {
        if (mSavedEnvironment.size() < std::size(values)) {
            const char *old = std::getenv(key);
            mSavedEnvironment.emplace_back(key, old ? std::optional<std::string>(old) : std::nullopt);
        }
        setenv(key, value.c_str(), 1);
    }
}

pid_t PulseServer::launch(const std::vector<std::string> &args, const char *stdoutPath, const char *stderrPath)
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
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, stdoutPath ? stdoutPath : "/dev/null",
        O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const std::string logPath = stderrPath ? stderrPath : mDir + "/clients.log";
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

int PulseServer::run(const std::vector<std::string> &args, std::string *output)
{
    const std::string outPath = mDir + "/run.out";
    const pid_t pid = launch(args, outPath.c_str());
    if (pid <= 0)
        return -1;
    int status = 0;
    const auto deadline = Clock::now() + 10s;
    for (;;) {
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid)
            break;
        if (r < 0 || Clock::now() >= deadline) {
            terminate(pid);
            return -1;
        }
        std::this_thread::sleep_for(2ms);
    }
    if (output) {
        std::ifstream in(outPath);
        output->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

pid_t PulseServer::spawn(const std::vector<std::string> &args)
{
    const pid_t pid = launch(args, nullptr);
    if (pid > 0)
        mHelpers.push_back(pid);
    return pid;
}

void PulseServer::kill(pid_t pid)
{
    std::erase(mHelpers, pid);
    terminate(pid);
}

bool PulseServer::waitReady()
{
    const auto deadline = Clock::now() + 10s;
    while (Clock::now() < deadline) {
        int status = 0;
        if (waitpid(mServerPid, &status, WNOHANG) == mServerPid) {
            mServerPid = -1;
            mError = "the server exited at once; see " + mDir + "/server.log";
            return false;
        }
        if (run({"pactl", "info"}) == 0)
            return true;
        std::this_thread::sleep_for(20ms);
    }
    mError = "the server did not answer within 10 s";
    return false;
}

bool PulseServer::start()
{
    if (mServerPid > 0)
        return true;
    if (mDir.empty()) {
        mError = "no temporary folder";
        return false;
    }
    std::string sink = "module-null-sink sink_name=tone rate=" + std::to_string(mOptions.rateHz);
    const std::vector<std::string> args{"pulseaudio", "--daemonize=no", "-n", "--use-pid-file=no",
        "--exit-idle-time=-1", "--disallow-exit", "--realtime=no", "--high-priority=no", "--log-target=stderr",
        "--load=module-native-protocol-unix socket=" + socketPath() + " auth-anonymous=1", "--load=" + sink};

    mServerPid = launch(args, nullptr, (mDir + "/server.log").c_str());
    if (mServerPid <= 0) {
        mServerPid = -1;
        mError = "cannot run pulseaudio";
        return false;
    }
    if (!waitReady()) {
        stop();
        return false;
    }
    exportEnvironment();

    // Warm the monitor up and keep it warm. At the sink's own rate: an idle
    // sink switches to a rate that suits its first stream.
    const std::string keeperPath = mDir + "/keeper.raw";
    const pid_t keeper = launch({"parec", "-d", "tone.monitor", "--latency-msec=10",
                                    "--rate=" + std::to_string(mOptions.rateHz), "--channels=1", "--format=u8", "--raw"},
        keeperPath.c_str());
    if (keeper > 0)
        mHelpers.push_back(keeper);
    const auto deadline = Clock::now() + 15s;
    std::error_code ec;
    while (Clock::now() < deadline) {
        if (std::filesystem::file_size(keeperPath, ec) > 0 && !ec)
            return true;
        std::this_thread::sleep_for(10ms);
    }
    mError = "the sink's monitor delivered nothing within 15 s";
    stop();
    return false;
}

void PulseServer::stop()
{
    for (const pid_t pid : mHelpers)
        terminate(pid);
    mHelpers.clear();
    terminate(mServerPid);
    mServerPid = -1;
}

pid_t PulseServer::playTone(double frequencyHz, double seconds)
{
    const double rate = mOptions.rateHz;
    return playSamples("tone", mOptions.rateHz,
        [&](std::size_t i) { return float(0.5 * std::sin(2.0 * std::numbers::pi * frequencyHz * double(i) / rate)); },
        seconds);
}

pid_t PulseServer::playSamples(const std::string &sink, unsigned rateHz,
    const std::function<float(std::size_t)> &sample, double seconds)
{
    const std::string path = mDir + "/sound-" + std::to_string(mToneCount++) + ".raw";
    {
        std::ofstream out(path, std::ios::binary);
        const auto frames = std::size_t(seconds * rateHz);
        for (std::size_t i = 0; i < frames; ++i) {
            const float value = sample(i);
            out.write(reinterpret_cast<const char *>(&value), sizeof value);
        }
    }
    return spawn({"pacat", "--playback", "-d", sink, "--raw", "--format=float32le",
        "--rate=" + std::to_string(rateHz), "--channels=1", path});
}

} // namespace quaverly::test
