// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>
#include <sys/types.h>

namespace quaverly::test {

// A private sound server that speaks the pulse protocol: PulseAudio, or
// PipeWire (pipewire, wireplumber and pipewire-pulse under one
// dbus-run-session). Own runtime directory, socket and HOME under a
// temporary folder; one null sink "tone" whose monitor "tone.monitor" is the
// capture source. start() points this process's libpulse clients at it and
// keeps one recorder on the monitor, so later recorders get data at once (a
// fresh null-sink monitor is ~2 s late). Everything it starts is stopped by
// pid (PipeWire's daemons by the process group it made for them).
class PulseServer {
public:
    enum class Kind { PulseAudio, PipeWire };
    struct Options {
        Kind kind = Kind::PulseAudio;
        unsigned rateHz = 48000;
    };

    PulseServer() : PulseServer(Options{}) {}
    explicit PulseServer(Options options);
    ~PulseServer();
    PulseServer(const PulseServer &) = delete;
    PulseServer &operator=(const PulseServer &) = delete;

    // Starts the server (again, after stop()); on failure false, with the
    // reason in error(). A missing server is a failure, never a skip.
    bool start();
    void stop();
    [[nodiscard]] const std::string &error() const { return mError; }
    [[nodiscard]] const std::string &directory() const { return mDir; }
    [[nodiscard]] Kind kind() const { return mOptions.kind; }
    // Takes effect at the next start() or loadSink().
    void setRateHz(unsigned rateHz) { mOptions.rateHz = rateHz; }
    // Unplugs and plugs "tone" (at the current rate): a re-plugged device.
    bool unloadSink();
    bool loadSink();

    // Runs a client (pactl, pacat, …) against the server and waits for it.
    // Returns its exit status (-1 if it could not run); output gets stdout.
    int run(const std::vector<std::string> &args, std::string *output = nullptr);
    // Starts a client in the background; ended by stop() or kill().
    pid_t spawn(const std::vector<std::string> &args);
    void kill(pid_t pid);
    // Plays `seconds` of sample(i) (mono float32 at the sink's rate) into
    // "tone", in the background; NaN and infinities pass as they are.
    pid_t playSamples(const std::function<float(std::size_t)> &sample, double seconds);
    // A sine of amplitude 0.5.
    pid_t playTone(double frequencyHz, double seconds);
    // What pactl shows as the monitor's volume, in whole percent.
    [[nodiscard]] int shownVolume();

private:
    std::vector<std::string> environment() const;
    pid_t launch(const std::vector<std::string> &args, const std::string &stdoutPath, bool ownGroup = false);
    std::string socketPath() const;

    Options mOptions;
    std::string mDir;
    std::string mError;
    pid_t mServerPid = -1;
    std::vector<pid_t> mHelpers;
    int mSoundCount = 0;
    // What start() replaced in this process's environment, restored at the end.
    std::vector<std::pair<std::string, std::optional<std::string>>> mSavedEnvironment;
};

[[nodiscard]] const char *kindName(PulseServer::Kind kind);

} // namespace quaverly::test
