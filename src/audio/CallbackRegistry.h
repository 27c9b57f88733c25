// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/AudioTypes.h"

#include <cstdint>
#include <vector>

namespace quaverly {

// The IO procedures and property listeners an audio backend was given, with
// the matching rules of the AudioHardware contract, so every backend keeps
// them alike. Not thread-safe: the backend calls it under its own lock.
class CallbackRegistry {
public:
    struct IOProc {
        AudioDeviceID device;
        AudioDeviceIOProc proc;
        void *clientData;
    };

    // Adding a procedure again only replaces its client data.
    void addIOProc(AudioDeviceID device, AudioDeviceIOProc proc, void *clientData);
    void removeIOProc(AudioDeviceID device, AudioDeviceIOProc proc);
    // Null when the procedure was not added.
    [[nodiscard]] const IOProc *ioProc(AudioDeviceID device, AudioDeviceIOProc proc) const;

    void addListener(AudioDeviceID device, std::uint32_t channel, bool isInput, AudioPropertySelector property,
        AudioDevicePropertyListenerProc proc, void *clientData);
    // Removes one registration, as it was added; false when there is none.
    bool removeListener(AudioDeviceID device, std::uint32_t channel, bool isInput, AudioPropertySelector property,
        AudioDevicePropertyListenerProc proc);
    void clearListeners() { mListeners.clear(); }

    // Calls the input-side listeners of the property on that channel (or on
    // the wildcard channel). A listener may remove another while this runs:
    // one removed is not called.
    void notify(AudioDeviceID device, std::uint32_t channel, AudioPropertySelector property);

private:
    struct Listener {
        AudioDeviceID device;
        std::uint32_t channel;
        bool isInput;
        AudioPropertySelector property;
        AudioDevicePropertyListenerProc proc;
        void *clientData;
    };

    std::vector<IOProc> mIOProcs;
    std::vector<Listener> mListeners;
};

// The host clock of the time stamps, in nanoseconds.
[[nodiscard]] std::uint64_t hostTimeNs() noexcept;

// Hands one chunk of interleaved frames to an IO procedure as the list's only
// buffer (read-only), stamped with the stream position after the chunk:
// positive from the first chunk on, as the capture path drops non-positive
// times. `position` counts the stream's frames.
void deliverInput(const CallbackRegistry::IOProc &to, AudioBufferList &list, double &position, const void *data,
    std::size_t frames, std::uint32_t channels, std::uint32_t frameBytes) noexcept;

} // namespace quaverly
