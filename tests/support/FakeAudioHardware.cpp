// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeAudioHardware.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

namespace quaverly::test {

AudioDeviceID FakeAudioHardware::addDevice(Device device)
{
    std::lock_guard lock(mMutex);
    const auto id = AudioDeviceID(mDevices.size() + 1);
    mDevices.emplace(id, std::move(device));
    return id;
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

OSStatus FakeAudioHardware::streamFormat(AudioDeviceID device, bool isInput, AudioStreamBasicDescription &format)
{
    std::lock_guard lock(mMutex);
    auto it = mDevices.find(device);
    if (it == mDevices.end() || (isInput && !it->second.hasInput))
        return kAudioHardwareBadDeviceError;
    const Device &d = it->second;
    const std::uint32_t channels = std::accumulate(d.streamChannels.begin(), d.streamChannels.end(), 0u);
    format = AudioStreamBasicDescription{};
    format.mSampleRate = d.sampleRate;
    format.mFormatID = kAudioFormatLinearPCM;
    format.mFormatFlags = kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked;
    format.mBytesPerFrame = format.mBytesPerPacket = 4 * channels;
    format.mFramesPerPacket = 1;
    format.mChannelsPerFrame = channels;
    format.mBitsPerChannel = 32;
    return kAudioNoError;
}

std::vector<std::uint32_t> FakeAudioHardware::dataSources(AudioDeviceID device, bool)
{
    std::vector<std::uint32_t> ids;
    for (const DataSource &s : get(device, [](const Device &d) { return d.dataSources; }))
        ids.push_back(s.id);
    return ids;
}

std::optional<std::string> FakeAudioHardware::dataSourceName(AudioDeviceID device, bool, std::uint32_t source)
{
    for (const DataSource &s : get(device, [](const Device &d) { return d.dataSources; }))
        if (s.id == source)
            return s.name;
    return std::nullopt;
}

OSStatus FakeAudioHardware::setDataSource(AudioDeviceID device, bool, std::uint32_t source)
{
    std::lock_guard lock(mMutex);
    mLog.push_back("setDataSource " + std::to_string(device) + " " + std::to_string(source));
    mDevices.at(device).currentDataSource = source;
    return kAudioNoError;
}

AudioBufferListPtr FakeAudioHardware::streamConfiguration(AudioDeviceID device, bool)
{
    const auto channels = get(device, [](const Device &d) { return d.streamChannels; });
    auto list = makeAudioBufferList(std::uint32_t(channels.size()));
    for (std::size_t i = 0; i < channels.size(); ++i)
        buffers(*list)[i].mNumberChannels = channels[i];
    return list;
}

OSStatus FakeAudioHardware::volumeScalar(AudioDeviceID device, std::uint32_t channel, bool, float &scalar)
{
    const auto volumes = get(device, [](const Device &d) { return d.volumes; });
    if (channel < 1 || channel > volumes.size())
        return kAudioHardwareUnknownPropertyError;
    scalar = volumes[channel - 1];
    return kAudioNoError;
}

OSStatus FakeAudioHardware::setVolumeScalar(AudioDeviceID device, std::uint32_t channel, bool, float scalar)
{
    std::lock_guard lock(mMutex);
    char value[32];
    std::snprintf(value, sizeof value, "%.9g", double(scalar));
    mLog.push_back("setVolume " + std::to_string(device) + " ch" + std::to_string(channel) + " " + value);
    auto &volumes = mDevices.at(device).volumes;
    if (channel < 1 || channel > volumes.size())
        return kAudioHardwareUnknownPropertyError;
    volumes[channel - 1] = scalar;
    return kAudioNoError;
}

OSStatus FakeAudioHardware::addIOProc(AudioDeviceID device, AudioDeviceIOProc proc, void *clientData)
{
    std::lock_guard lock(mMutex);
    mIOProcs.push_back({device, 0, 0, reinterpret_cast<void *>(proc), clientData, false});
    return kAudioNoError;
}

OSStatus FakeAudioHardware::removeIOProc(AudioDeviceID device, AudioDeviceIOProc proc)
{
    std::lock_guard lock(mMutex);
    std::erase_if(mIOProcs, [&](const auto &p) { return p.device == device && p.proc == reinterpret_cast<void *>(proc); });
    return kAudioNoError;
}

OSStatus FakeAudioHardware::run(AudioDeviceID device, AudioDeviceIOProc proc, bool running)
{
    std::lock_guard lock(mMutex);
    mLog.push_back((running ? "start " : "stop ") + std::to_string(device));
    for (Registration &p : mIOProcs)
        if (p.device == device && p.proc == reinterpret_cast<void *>(proc))
            p.running = running;
    return kAudioNoError;
}

OSStatus FakeAudioHardware::addPropertyListener(AudioDeviceID device, std::uint32_t channel, bool,
    AudioPropertySelector property, AudioDevicePropertyListenerProc proc, void *clientData)
{
    std::lock_guard lock(mMutex);
    mListeners.push_back({device, channel, property, reinterpret_cast<void *>(proc), clientData, true});
    return kAudioNoError;
}

OSStatus FakeAudioHardware::removePropertyListener(AudioDeviceID device, std::uint32_t channel, bool,
    AudioPropertySelector property, AudioDevicePropertyListenerProc proc)
{
    std::lock_guard lock(mMutex);
    auto it = std::ranges::find_if(mListeners, [&](const Registration &l) {
        return l.device == device && l.channel == channel && l.property == property
            && l.proc == reinterpret_cast<void *>(proc);
    });
    if (it == mListeners.end())
        return kAudioHardwareUnknownPropertyError;
    mListeners.erase(it);
    return kAudioNoError;
}

} // namespace quaverly::test
