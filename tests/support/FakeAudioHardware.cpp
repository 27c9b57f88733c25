// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeAudioHardware.h"

#include "music/CLocale.h"

#include <algorithm>
#include <numeric>

namespace quaverly::test {

AudioDeviceID FakeAudioHardware::addDevice(Device device)
{
    std::lock_guard lock(mMutex);
    const auto id = AudioDeviceID(mDevices.size() + 1);
    mDevices.emplace(id, std::move(device));
    return id;
}

FakeAudioHardware::Device FakeAudioHardware::device(AudioDeviceID id) const
{
    std::lock_guard lock(mMutex);
    const auto it = mDevices.find(id);
    Device none;
    none.hasInput = none.alive = false;
    return it == mDevices.end() ? none : it->second;
}

std::vector<std::string> FakeAudioHardware::log(const std::string &prefix) const
{
    std::lock_guard lock(mMutex);
    std::vector<std::string> matching;
    std::ranges::copy_if(mLog, std::back_inserter(matching), [&](const auto &e) { return e.starts_with(prefix); });
    return matching;
}

void FakeAudioHardware::clearLog()
{
    std::lock_guard lock(mMutex);
    mLog.clear();
}

void FakeAudioHardware::runIOCycle(AudioDeviceID device, const AudioBufferList &input, double sampleTime)
{
    std::lock_guard lock(mMutex);
    AudioTimeStamp now;
    now.mSampleTime = sampleTime;
    now.mFlags = kAudioTimeStampSampleTimeValid;
    for (const Registration &p : std::vector(mIOProcs))
        if (p.device == device && p.running)
            reinterpret_cast<AudioDeviceIOProc>(p.proc)(device, &now, &input, &now, nullptr, &now, p.clientData);
}

void FakeAudioHardware::notify(AudioDeviceID device, std::uint32_t channel, AudioPropertySelector property)
{
    std::lock_guard lock(mMutex);
    for (const Registration &l : std::vector(mListeners))
        if (l.device == device && l.property == property
            && (l.channel == channel || l.channel == kAudioPropertyWildcardChannel))
            reinterpret_cast<AudioDevicePropertyListenerProc>(l.proc)(device, channel, true, property, l.clientData);
}

bool FakeAudioHardware::isRunning(AudioDeviceID device) const
{
    std::lock_guard lock(mMutex);
    return std::ranges::any_of(mIOProcs, [&](const auto &p) { return p.device == device && p.running; });
}

std::vector<AudioDeviceID> FakeAudioHardware::devices()
{
    std::lock_guard lock(mMutex);
    std::vector<AudioDeviceID> ids;
    for (const auto &entry : mDevices)
        ids.push_back(entry.first);
    return ids;
}

OSStatus FakeAudioHardware::streamFormat(AudioDeviceID id, bool isInput, AudioStreamBasicDescription &format)
{
    const Device d = device(id);
    if (isInput && !d.hasInput)
        return kAudioHardwareBadDeviceError;
    const std::uint32_t channels = std::accumulate(d.streamChannels.begin(), d.streamChannels.end(), 0u);
    format = {.mSampleRate = d.sampleRate, .mFormatID = kAudioFormatLinearPCM,
        .mFormatFlags = kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked, .mBytesPerPacket = 4 * channels,
        .mFramesPerPacket = 1, .mBytesPerFrame = 4 * channels, .mChannelsPerFrame = channels, .mBitsPerChannel = 32};
    return kAudioNoError;
}

std::vector<std::uint32_t> FakeAudioHardware::dataSources(AudioDeviceID id, bool)
{
    std::vector<std::uint32_t> ids;
    for (const DataSource &s : device(id).dataSources)
        ids.push_back(s.id);
    return ids;
}

std::optional<std::string> FakeAudioHardware::dataSourceName(AudioDeviceID id, bool, std::uint32_t source)
{
    for (const DataSource &s : device(id).dataSources)
        if (s.id == source)
            return s.name;
    return std::nullopt;
}

OSStatus FakeAudioHardware::setDataSource(AudioDeviceID id, bool, std::uint32_t source)
{
    std::lock_guard lock(mMutex);
    mLog.push_back("setDataSource " + std::to_string(id) + " " + std::to_string(source));
    mDevices.at(id).currentDataSource = source;
    return kAudioNoError;
}

AudioBufferListPtr FakeAudioHardware::streamConfiguration(AudioDeviceID id, bool)
{
    const auto channels = device(id).streamChannels;
    auto list = makeAudioBufferList(std::uint32_t(channels.size()));
    for (std::size_t i = 0; i < channels.size(); ++i)
        buffers(*list)[i].mNumberChannels = channels[i];
    return list;
}

bool FakeAudioHardware::isVolumeSettable(AudioDeviceID id, std::uint32_t channel, bool)
{
    const auto settable = device(id).volumeSettable;
    return channel >= 1 && channel <= settable.size() && settable[channel - 1];
}

OSStatus FakeAudioHardware::volumeScalar(AudioDeviceID id, std::uint32_t channel, bool, float &scalar)
{
    const auto volumes = device(id).volumes;
    if (channel < 1 || channel > volumes.size())
        return kAudioHardwareUnknownPropertyError;
    scalar = volumes[channel - 1];
    return kAudioNoError;
}

OSStatus FakeAudioHardware::setVolumeScalar(AudioDeviceID id, std::uint32_t channel, bool, float scalar)
{
    std::lock_guard lock(mMutex);
    mLog.push_back("setVolume " + std::to_string(id) + " ch" + std::to_string(channel) + " " + formatC("%.9g", double(scalar)));
    auto &volumes = mDevices.at(id).volumes;
    if (channel < 1 || channel > volumes.size())
        return kAudioHardwareUnknownPropertyError;
    volumes[channel - 1] = scalar;
    return kAudioNoError;
}

OSStatus FakeAudioHardware::addIOProc(AudioDeviceID id, AudioDeviceIOProc proc, void *clientData)
{
    std::lock_guard lock(mMutex);
    mIOProcs.push_back({id, 0, 0, reinterpret_cast<void *>(proc), clientData, false});
    return kAudioNoError;
}

OSStatus FakeAudioHardware::removeIOProc(AudioDeviceID id, AudioDeviceIOProc proc)
{
    std::lock_guard lock(mMutex);
    std::erase(mIOProcs, Registration{id, 0, 0, reinterpret_cast<void *>(proc), nullptr, false});
    return kAudioNoError;
}

OSStatus FakeAudioHardware::run(AudioDeviceID id, AudioDeviceIOProc proc, bool running)
{
    std::lock_guard lock(mMutex);
    mLog.push_back((running ? "start " : "stop ") + std::to_string(id));
    for (Registration &p : mIOProcs)
        if (p.device == id && p.proc == reinterpret_cast<void *>(proc))
            p.running = running;
    return kAudioNoError;
}

OSStatus FakeAudioHardware::addPropertyListener(AudioDeviceID id, std::uint32_t channel, bool,
    AudioPropertySelector property, AudioDevicePropertyListenerProc proc, void *clientData)
{
    std::lock_guard lock(mMutex);
    mListeners.push_back({id, channel, property, reinterpret_cast<void *>(proc), clientData, true});
    return kAudioNoError;
}

OSStatus FakeAudioHardware::removePropertyListener(AudioDeviceID id, std::uint32_t channel, bool,
    AudioPropertySelector property, AudioDevicePropertyListenerProc proc)
{
    std::lock_guard lock(mMutex);
    const auto it = std::ranges::find(mListeners, Registration{id, channel, property, reinterpret_cast<void *>(proc), nullptr, true});
    if (it == mListeners.end())
        return kAudioHardwareUnknownPropertyError;
    mListeners.erase(it);
    return kAudioNoError;
}

} // namespace quaverly::test
