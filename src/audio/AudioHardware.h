// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/AudioTypes.h"

#include <bit>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quaverly {

inline constexpr OSStatus kAudioHardwareUnspecifiedError = 0x77686174;  // 'what'
inline constexpr OSStatus kAudioHardwareBadDeviceError = 0x21646576;    // '!dev'
inline constexpr OSStatus kAudioHardwareUnknownPropertyError = 0x77686f3f; // 'who?'
inline constexpr OSStatus kAudioHardwareNotRunningError = 0x73746f70;   // 'stop'
inline constexpr OSStatus kAudioHardwareUnsupportedOperationError = 0x756e6f70; // 'unop'
// The device list changed; reported for the device kAudioDeviceUnknown,
// which stands for the hardware as a whole.
inline constexpr AudioPropertySelector kAudioHardwarePropertyDevices = fourCharCode("dev#");

// The format every backend delivers: packed native-endian 32-bit floats.
[[nodiscard]] inline AudioStreamBasicDescription packedFloatFormat(double rateHz, std::uint32_t channels)
{
    AudioStreamBasicDescription format{};
    format.mSampleRate = rateHz;
    format.mFormatID = kAudioFormatLinearPCM;
    format.mFormatFlags = kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked
        | (std::endian::native == std::endian::big ? kAudioFormatFlagIsBigEndian : 0u);
    format.mBytesPerPacket = 4 * channels;
    format.mFramesPerPacket = 1;
    format.mBytesPerFrame = 4 * channels;
    format.mChannelsPerFrame = channels;
    format.mBitsPerChannel = 32;
    return format;
}

// Fills `frames` mono samples (−1 … 1) of an output stream running at
// `rateHz`. Called on the IO thread: it must not wait, lock or allocate.
using AudioOutputRenderProc = void (*)(float *samples, std::uint32_t frames, float rateHz, void *clientData);
// The output stream stopped by itself (its device or the server went away).
// Called once, on the notification thread.
using AudioOutputEndedProc = void (*)(void *clientData);

// The platform's audio hardware layer as AUInputUnit uses it: devices,
// their properties, IO procedures and property listeners.
//
// Threads: every call may come from the main thread or from inside a
// property listener (the notification thread); none of them waits for the
// IO thread. IO procedures run on the implementation's IO thread, listeners
// on its notification thread (they may be the same). After
// removePropertyListener / removeIOProc / stop returns, the removed callback
// is not running and will not be called again.
//
// Statuses follow the audio layer's convention: kAudioNoError on success.
// Channel 0 is the master channel; data channels count from 1.
class AudioHardware {
public:
    virtual ~AudioHardware() = default;

    // Devices in the layer's own order.
    [[nodiscard]] virtual std::vector<AudioDeviceID> devices() = 0;
    // False while the list is still to come (a server yet to answer).
    [[nodiscard]] virtual bool isDeviceListKnown() { return true; }

    // kAudioNoError and the format when the device has a stream in that
    // direction, an error otherwise (the only status callers test).
    virtual OSStatus streamFormat(AudioDeviceID device, bool isInput, AudioStreamBasicDescription &format) = 0;

    // Whether the device is there now. A device that went away keeps its id
    // and reports kAudioDevicePropertyDeviceIsAlive when it leaves and when
    // it comes back.
    [[nodiscard]] virtual bool isDeviceAlive(AudioDeviceID device) = 0;

    // UTF-8; empty when unknown.
    [[nodiscard]] virtual std::string deviceName(AudioDeviceID device, bool isInput) = 0;
    [[nodiscard]] virtual std::string deviceManufacturer(AudioDeviceID device, bool isInput) = 0;

    // Whether the device lets a data source be selected.
    [[nodiscard]] virtual bool isDataSourceSettable(AudioDeviceID device, bool isInput) = 0;
    [[nodiscard]] virtual std::vector<std::uint32_t> dataSources(AudioDeviceID device, bool isInput) = 0;
    // Nothing when the layer has no name for that source.
    [[nodiscard]] virtual std::optional<std::string> dataSourceName(
        AudioDeviceID device, bool isInput, std::uint32_t source) = 0;
    virtual OSStatus setDataSource(AudioDeviceID device, bool isInput, std::uint32_t source) = 0;

    // The device's streams in that direction as a buffer list (channel
    // counts filled, no data). Null when the read fails.
    [[nodiscard]] virtual AudioBufferListPtr streamConfiguration(AudioDeviceID device, bool isInput) = 0;

    [[nodiscard]] virtual bool isVolumeSettable(AudioDeviceID device, std::uint32_t channel, bool isInput) = 0;
    // Scalar 0.0 … 1.0; leaves `scalar` alone on failure.
    virtual OSStatus volumeScalar(AudioDeviceID device, std::uint32_t channel, bool isInput, float &scalar) = 0;
    virtual OSStatus setVolumeScalar(AudioDeviceID device, std::uint32_t channel, bool isInput, float scalar) = 0;

    virtual OSStatus addIOProc(AudioDeviceID device, AudioDeviceIOProc proc, void *clientData) = 0;
    virtual OSStatus removeIOProc(AudioDeviceID device, AudioDeviceIOProc proc) = 0;
    // A started procedure stays started while its device is away and runs
    // again when the device is back.
    virtual OSStatus start(AudioDeviceID device, AudioDeviceIOProc proc) = 0;
    virtual OSStatus stop(AudioDeviceID device, AudioDeviceIOProc proc) = 0;

    // A listener registered on kAudioPropertyWildcardChannel hears the
    // property's changes on every channel.
    virtual OSStatus addPropertyListener(AudioDeviceID device, std::uint32_t channel, bool isInput,
        AudioPropertySelector property, AudioDevicePropertyListenerProc proc, void *clientData) = 0;
    virtual OSStatus removePropertyListener(AudioDeviceID device, std::uint32_t channel, bool isInput,
        AudioPropertySelector property, AudioDevicePropertyListenerProc proc) = 0;

    // One mono output stream on the default output device, for the reference
    // tone. It is never moved to another device: when its device or the
    // server goes away it ends and `ended` is called. Starting while a stream
    // plays replaces it. Neither call waits for the IO thread or the server;
    // after stopOutput returns neither callback runs again.
    virtual OSStatus startOutput(AudioOutputRenderProc render, AudioOutputEndedProc ended, void *clientData)
    {
        (void)render, (void)ended, (void)clientData;
        return kAudioHardwareUnsupportedOperationError;
    }
    virtual OSStatus stopOutput() { return kAudioNoError; }
};

// The layer of the backend this program is linked with (PulseAudio, or Qt
// Multimedia): each backend library defines it.
[[nodiscard]] std::shared_ptr<AudioHardware> makeAudioHardware();

} // namespace quaverly
