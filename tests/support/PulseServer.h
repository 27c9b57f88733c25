// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>
#include <sys/types.h>

namespace quaverly::test {

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
    };

    PulseServer();
    explicit PulseServer(Options options);
    ~PulseServer();
    PulseServer(const PulseServer &) = delete;
    PulseServer &operator=(const PulseServer &) = delete;

    // (Re)starts; on failure false with the reason in error().
    bool start();
    void stop();
    [[nodiscard]] const std::string &error() const { return mError; }
    [[nodiscard]] const std::string &directory() const { return mDir; }
    // Takes effect at the next start() or loadSink().
    void setRateHz(unsigned rateHz) { mOptions.rateHz = rateHz; }
    // Unplug and plug "tone": a re-plugged device.
    bool unloadSink();
    bool loadSink();

    // Runs a client (pactl, …) and waits; its exit status, -1 if it could
    // not run. output gets its stdout.
    int run(const std::vector<std::string> &args, std::string *output = nullptr);
    // Starts a client in the background, ended by stop().
    pid_t spawn(const std::vector<std::string> &args);
    // Plays a sine (amplitude 0.5) into "tone" in the background.
    pid_t playTone(double frequencyHz, double seconds);
    // The monitor's volume as pactl shows it, in whole percent.
    [[nodiscard]] int shownVolume();

private:
    pid_t launch(const std::vector<std::string> &args, const std::string &out, bool ownGroup = false);

    Options mOptions;
    std::string mDir, mError;
    pid_t mServerPid = -1;
    std::vector<pid_t> mHelpers;
    int mSoundCount = 0;
};

[[nodiscard]] const char *kindName(PulseServer::Kind kind);

} // namespace quaverly::test
