// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/AudioHardware.h"

#include <memory>

namespace quaverly {

// The audio hardware layer over libpulse (PulseAudio, or PipeWire's pulse
// server), on a pa_threaded_mainloop.
//
// Devices are the server's sources: its default source first, then the other
// capture sources, then monitors of outputs. Device ids stay the same for a
// source name for the object's life, also across a server restart. Data
// sources are a source's ports (when it has two or more); volume scalars
// are channel volumes over PA_VOLUME_NORM, capped at 1.0. Server events are
// turned into the listener selectors.
//
// Threads: the pulse main loop thread is both the IO thread and the
// notification thread. Queries answer from a cache kept current by the
// server's events, so they never wait for the server and may be called
// from inside a listener. IO procedures receive interleaved native float32
// at exactly the rate streamFormat reports; the stream is reopened when the
// source's rate or channel count changes.
//
// Nothing waits for the server. Until it has answered and its sources are
// listed there are no devices; kAudioHardwarePropertyDevices is reported when
// a listing is complete (first, and after each reconnect) and when a new
// source appears. A source that goes away, or the whole server: "device is
// alive" is reported, started captures wait, and the server is looked for
// again (0.1 s, doubling to 1 s), as is one that has not answered yet. When
// the source is back under the same name the capture resumes on it by itself
// and "device is alive" is reported again, with "stream format" first if its
// rate changed.
class PulseAudioHardware final : public AudioHardware {
public:
    // Starts connecting and returns.
    PulseAudioHardware();
    ~PulseAudioHardware() override;

    PulseAudioHardware(const PulseAudioHardware &) = delete;
    PulseAudioHardware &operator=(const PulseAudioHardware &) = delete;

    std::vector<AudioDeviceID> devices() override;
    bool isDeviceListKnown() override;
    bool isDeviceAlive(AudioDeviceID device) override;
    OSStatus streamFormat(AudioDeviceID device, bool isInput, AudioStreamBasicDescription &format) override;
    std::string deviceName(AudioDeviceID device, bool isInput) override;
    std::string deviceManufacturer(AudioDeviceID device, bool isInput) override;
    bool isDataSourceSettable(AudioDeviceID device, bool isInput) override;
    std::vector<std::uint32_t> dataSources(AudioDeviceID device, bool isInput) override;
    std::optional<std::string> dataSourceName(AudioDeviceID device, bool isInput, std::uint32_t source) override;
    OSStatus setDataSource(AudioDeviceID device, bool isInput, std::uint32_t source) override;
    AudioBufferListPtr streamConfiguration(AudioDeviceID device, bool isInput) override;
    bool isVolumeSettable(AudioDeviceID device, std::uint32_t channel, bool isInput) override;
    OSStatus volumeScalar(AudioDeviceID device, std::uint32_t channel, bool isInput, float &scalar) override;
    OSStatus setVolumeScalar(AudioDeviceID device, std::uint32_t channel, bool isInput, float scalar) override;
    OSStatus addIOProc(AudioDeviceID device, AudioDeviceIOProc proc, void *clientData) override;
    OSStatus removeIOProc(AudioDeviceID device, AudioDeviceIOProc proc) override;
    OSStatus start(AudioDeviceID device, AudioDeviceIOProc proc) override;
    OSStatus stop(AudioDeviceID device, AudioDeviceIOProc proc) override;
    OSStatus addPropertyListener(AudioDeviceID device, std::uint32_t channel, bool isInput,
        AudioPropertySelector property, AudioDevicePropertyListenerProc proc, void *clientData) override;
    OSStatus removePropertyListener(AudioDeviceID device, std::uint32_t channel, bool isInput,
        AudioPropertySelector property, AudioDevicePropertyListenerProc proc) override;
    // A float32 mono playback stream on the server's default sink at the
    // server's default rate, connected with PA_STREAM_DONT_MOVE: when the sink
    // or the server goes, it fails and `ended` is called. Without a connected
    // server: kAudioHardwareNotRunningError.
    OSStatus startOutput(AudioOutputRenderProc render, AudioOutputEndedProc ended, void *clientData) override;
    OSStatus stopOutput() override;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace quaverly
