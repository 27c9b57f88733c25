// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <sys/types.h>
#include <vector>

namespace quaverly::test {

// A private PulseAudio server for tests: own runtime directory, socket and
// HOME under a temporary folder, anonymous access, one null sink "tone"
// whose monitor "tone.monitor" is the capture source. start() also points
// this process's libpulse clients at it (PULSE_SERVER and friends), and
// keeps one recorder on the monitor so later recorders get data at once
// (a fresh null-sink monitor is ~2 s late). Stopped by pid.
class PulseServer {
public:
    struct Options {
        unsigned rateHz = 48000;
    };

    PulseServer();
    explicit PulseServer(Options options);
    ~PulseServer();

    PulseServer(const PulseServer &) = delete;
    PulseServer &operator=(const PulseServer &) = delete;

    // Starts the server (again, on the same socket, after stop()). On
    // failure returns false with the reason in error().
    bool start();
    // Stops the server and every helper started through it.
    void stop();
    [[nodiscard]] bool isRunning() const { return mServerPid > 0; }
    [[nodiscard]] const std::string &error() const { return mError; }
    // Takes effect at the next start().
    void setRateHz(unsigned rateHz) { mOptions.rateHz = rateHz; }
    [[nodiscard]] std::string socketPath() const { return mDir + "/native"; }
    [[nodiscard]] const std::string &directory() const { return mDir; }

    // Runs a client (pactl, pacat, …) against the server and waits for it.
    // Returns its exit status (-1 if it could not run); output gets stdout.
    int run(const std::vector<std::string> &args, std::string *output = nullptr);
    // Starts a client in the background; stopped with stop() or kill().
    pid_t spawn(const std::vector<std::string> &args);
    void kill(pid_t pid);

    // Plays a sine of the given frequency and length (amplitude 0.5, mono
    // float32 at the sink's rate) into the sink, in the background.
    pid_t playTone(double frequencyHz, double seconds);
    // Plays `seconds` of sample(i) (mono float32 at rateHz) into a sink, in
    // the background; NaN and infinities pass as they are.
    pid_t playSamples(const std::string &sink, unsigned rateHz, const std::function<float(std::size_t)> &sample,
        double seconds);

    // Whether the environment demands a real server (CI=true): tests then
    // fail instead of skipping when it cannot start.
    [[nodiscard]] static bool required();

private:
    std::vector<std::string> environment() const;
    pid_t launch(const std::vector<std::string> &args, const char *stdoutPath, const char *stderrPath = nullptr);
    bool waitReady();
    void exportEnvironment();

    Options mOptions;
    std::string mDir;
    std::string mError;
    pid_t mServerPid = -1;
    std::vector<pid_t> mHelpers;
    int mToneCount = 0;
    // What exportEnvironment() replaced, restored by the destructor.
    std::vector<std::pair<std::string, std::optional<std::string>>> mSavedEnvironment;
};

} // namespace quaverly::test

// Starts `server` or ends the test: a failure under CI, a skip elsewhere.
#define QUAVERLY_START_PULSE_SERVER(server)                                                          \
    do {                                                                                            \
        if (!(server).start()) {                                                                    \
            if (::quaverly::test::PulseServer::required())                                          \
                FAIL() << "private PulseAudio server did not start: " << (server).error();          \
            GTEST_SKIP() << "no private PulseAudio server: " << (server).error();                   \
        }                                                                                           \
    } while (false)
