// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/AudioHardware.h"

#include <memory>

namespace quaverly {

// The audio hardware layer over Qt Multimedia: the portable path (CoreAudio
// on macOS, WASAPI on Windows, Qt's own PulseAudio code on Linux).
//
// Devices are Qt's audio inputs, the default one first; ids stay the same for
// a device id for the object's life. A device captures at its preferred rate
// and channel count, converted to native float32 when Qt cannot deliver
// float. What Qt Multimedia cannot tell is reported as absent: no data
// sources, no settable device volume, no manufacturer beyond "System".
//
// Threads: all Qt Multimedia objects live on one audio thread shared by every
// instance, which is both the IO and the notification thread. Queries answer
// from a cache under a lock the audio thread holds while it calls back, so
// they never wait for Qt or the server. Qt's list is read on its change
// signal and every 0.5 s (Qt 6.4 on Linux never signals). A device that
// leaves it is reported as not alive and its capture is closed at once (Qt's
// stream would follow the server to another source); when it is listed again
// the capture opens on it by itself, with "stream format" first if its rate
// changed. A capture whose stream fails counts as a lost device until it
// opens again (retried every 0.25 s).
class QtMultimediaHardware final : public AudioHardware {
public:
    // Starts listing on the audio thread and returns.
    QtMultimediaHardware();
    ~QtMultimediaHardware() override;

    QtMultimediaHardware(const QtMultimediaHardware &) = delete;
    QtMultimediaHardware &operator=(const QtMultimediaHardware &) = delete;

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
    OSStatus startOutput(AudioOutputRenderProc render, AudioOutputEndedProc ended, void *clientData) override;
    OSStatus stopOutput() override;

    struct Impl;

private:
    std::unique_ptr<Impl> d;
};

} // namespace quaverly
