// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Plain records shared by the audio hardware layer, the input unit and the
// capture path. No libpulse or Qt here: the core library includes this file.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <span>

namespace quaverly {

using OSStatus = std::int32_t;
using AudioDeviceID = std::uint32_t;
using AudioPropertySelector = std::uint32_t;

inline constexpr OSStatus kAudioNoError = 0;
inline constexpr AudioDeviceID kAudioDeviceUnknown = 0;
inline constexpr std::uint32_t kAudioPropertyWildcardChannel = 0xFFFFFFFFu;
inline constexpr std::uint32_t kAudioFormatFlagIsBigEndian = 2;

constexpr AudioPropertySelector fourCharCode(const char (&code)[5]) noexcept
{
    return (std::uint32_t(std::uint8_t(code[0])) << 24) | (std::uint32_t(std::uint8_t(code[1])) << 16)
        | (std::uint32_t(std::uint8_t(code[2])) << 8) | std::uint32_t(std::uint8_t(code[3]));
}

inline constexpr AudioPropertySelector kAudioDevicePropertyDeviceIsAlive = fourCharCode("livn");
inline constexpr AudioPropertySelector kAudioDevicePropertyStreamConfiguration = fourCharCode("slay");
inline constexpr AudioPropertySelector kAudioDevicePropertyStreamFormat = fourCharCode("sfmt");
inline constexpr AudioPropertySelector kAudioDevicePropertyDataSource = fourCharCode("ssrc");
inline constexpr AudioPropertySelector kAudioDevicePropertyDeviceHasChanged = fourCharCode("diff");
inline constexpr AudioPropertySelector kAudioDevicePropertyVolumeScalar = fourCharCode("volm");
inline constexpr AudioPropertySelector kAudioDevicePropertyVolumeRangeDecibels = fourCharCode("vdb#");

struct AudioBuffer {
    std::uint32_t mNumberChannels = 0;
    std::uint32_t mDataByteSize = 0;
    void *mData = nullptr;
};

// A count followed by that many buffers. Declared with one entry, as the
// layout has always been; allocate with makeAudioBufferList() and walk the
// entries with buffers(), never by indexing mBuffers past 0.
struct AudioBufferList {
    std::uint32_t mNumberBuffers = 0;
    AudioBuffer mBuffers[1];
};

inline std::span<AudioBuffer> buffers(AudioBufferList &list) noexcept
{
    return {&list.mBuffers[0], list.mNumberBuffers};
}

inline std::span<const AudioBuffer> buffers(const AudioBufferList &list) noexcept
{
    return {&list.mBuffers[0], list.mNumberBuffers};
}

struct AudioBufferListDeleter {
    void operator()(AudioBufferList *list) const noexcept
    {
        list->~AudioBufferList();
        ::operator delete(static_cast<void *>(list), std::align_val_t{alignof(AudioBufferList)});
    }
};
using AudioBufferListPtr = std::unique_ptr<AudioBufferList, AudioBufferListDeleter>;

// A zeroed list with room for n buffers and mNumberBuffers = n.
inline AudioBufferListPtr makeAudioBufferList(std::uint32_t n)
{
    const std::size_t bytes = offsetof(AudioBufferList, mBuffers) + sizeof(AudioBuffer) * (n == 0 ? 1 : n);
    void *raw = ::operator new(bytes, std::align_val_t{alignof(AudioBufferList)});
    auto *list = new (raw) AudioBufferList{};
    for (std::uint32_t i = 1; i < n; ++i)
        new (&list->mBuffers[0] + i) AudioBuffer{};
    list->mNumberBuffers = n;
    return AudioBufferListPtr(list);
}

struct AudioTimeStamp {
    double mSampleTime = 0.0; // frames since the stream started
    std::uint64_t mHostTime = 0;
    std::uint32_t mFlags = 0;
};

inline constexpr std::uint32_t kAudioTimeStampSampleTimeValid = 1u << 0;
inline constexpr std::uint32_t kAudioTimeStampHostTimeValid = 1u << 1;

struct AudioStreamBasicDescription {
    double mSampleRate = 0.0;
    std::uint32_t mFormatID = 0;
    std::uint32_t mFormatFlags = 0;
    std::uint32_t mBytesPerPacket = 0;
    std::uint32_t mFramesPerPacket = 0;
    std::uint32_t mBytesPerFrame = 0;
    std::uint32_t mChannelsPerFrame = 0;
    std::uint32_t mBitsPerChannel = 0;
    std::uint32_t mReserved = 0;
};
static_assert(sizeof(AudioStreamBasicDescription) == 40);

inline constexpr std::uint32_t kAudioFormatLinearPCM = fourCharCode("lpcm");
inline constexpr std::uint32_t kAudioFormatFlagIsFloat = 1u << 0;
inline constexpr std::uint32_t kAudioFormatFlagIsPacked = 1u << 3;

// What the capture trampoline hands to inputIOProc for one IO cycle; valid
// only during that call.
struct AudioDeviceProcParams {
    AudioDeviceID inDevice = 0;
    const AudioTimeStamp *inNow = nullptr;
    const AudioBufferList *inInputData = nullptr;
    const AudioTimeStamp *inInputTime = nullptr;
    AudioBufferList *outOutputData = nullptr;
    const AudioTimeStamp *inOutputTime = nullptr;
};

// What a listener function hands to listenerProc for one notification.
struct AudioDeviceListenerParams {
    AudioDeviceID inDevice = 0;
    std::uint32_t inChannel = 0;
    bool isInput = false;
    AudioPropertySelector inPropertyID = 0;
};

// Called on the audio IO thread once per cycle.
using AudioDeviceIOProc = OSStatus (*)(AudioDeviceID inDevice, const AudioTimeStamp *inNow,
    const AudioBufferList *inInputData, const AudioTimeStamp *inInputTime,
    AudioBufferList *outOutputData, const AudioTimeStamp *inOutputTime, void *inClientData);

// Called on the audio notification thread when a property changes.
using AudioDevicePropertyListenerProc = OSStatus (*)(AudioDeviceID inDevice, std::uint32_t inChannel,
    bool isInput, AudioPropertySelector inPropertyID, void *inClientData);

} // namespace quaverly
