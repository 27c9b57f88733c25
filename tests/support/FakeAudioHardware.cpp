// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeAudioHardware.h"

#include <algorithm>
#include <cstdio>

namespace quaverly::test {

namespace {

std::string entry(const char *call, AudioDeviceID device)
{
    return std::string(call) + " " + std::to_string(device);
}

std::string channelText(std::uint32_t channel)
{
    return channel == kAudioPropertyWildcardChannel ? "ch*" : "ch" + std::to_string(channel);
}

} // namespace

std::string FakeAudioHardware::selectorName(AudioPropertySelector selector)
{
    std::string name(4, ' ');
    for (int i = 0; i < 4; ++i)
        name[std::size_t(i)] = char((selector >> (24 - 8 * i)) & 0xFF);
    return name;
}

AudioDeviceID FakeAudioHardware::addDevice(Device device)
{
    std::lock_guard lock(mMutex);
    device.id = mNextId++;
    const AudioDeviceID id = device.id;
    mDevices.emplace(id, std::move(device));
    return id;
}

FakeAudioHardware::Device FakeAudioHardware::device(AudioDeviceID id) const
{
    std::lock_guard lock(mMutex);
    return mDevices.at(id);
}

std::vector<std::string> FakeAudioHardware::log() const
{
    std::lock_guard lock(mMutex);
    return mLog;
}

std::vector<std::string> FakeAudioHardware::log(const std::string &prefix) const
{
    std::lock_guard lock(mMutex);
    std::vector<std::string> matching;
    for (const auto &e : mLog)
        if (e.starts_with(prefix))
            matching.push_back(e);
    return matching;
}

void FakeAudioHardware::clearLog()
{
    std::lock_guard lock(mMutex);
    mLog.clear();
}

void FakeAudioHardware::record(std::string e)
{
    mLog.push_back(std::move(e));
}

const FakeAudioHardware::Device *FakeAudioHardware::find(AudioDeviceID id) const
{
    auto it = mDevices.find(id);
    return it == mDevices.end() ? nullptr : &it->second;
}

void FakeAudioHardware::runIOCycle(AudioDeviceID device, const AudioBufferList &input, double sampleTime)
{
    std::lock_guard lock(mMutex);
    AudioTimeStamp now;
    now.mSampleTime = sampleTime;
    now.mFlags = kAudioTimeStampSampleTimeValid;
    const std::vector<IOProc> procs = mIOProcs;
    for (const IOProc &p : procs)
        if (p.device == device && p.running)
            p.proc(device, &now, &input, &now, nullptr, &now, p.clientData);
}

void FakeAudioHardware::notify(AudioDeviceID device, std::uint32_t channel, AudioPropertySelector property)
{
    std::lock_guard lock(mMutex);
    const std::vector<Listener> listeners = mListeners;
    for (const Listener &l : listeners)
        if (l.device == device && l.property == property
            && (l.channel == channel || l.channel == kAudioPropertyWildcardChannel))
            l.proc(device, channel, true, property, l.clientData);
}

std::size_t FakeAudioHardware::listenerCount(AudioDeviceID device) const
{
    std::lock_guard lock(mMutex);
    return std::size_t(std::ranges::count_if(mListeners, [&](const Listener &l) { return l.device == device; }));
}

bool FakeAudioHardware::isRunning(AudioDeviceID device) const
{
    std::lock_guard lock(mMutex);
    return std::ranges::any_of(mIOProcs, [&](const IOProc &p) { return p.device == device && p.running; });
}

std::vector<AudioDeviceID> FakeAudioHardware::devices()
{
    std::lock_guard lock(mMutex);
    record("devices");
    std::vector<AudioDeviceID> ids;
    for (const auto &[id, d] : mDevices)
        ids.push_back(id);
    return ids;
}

bool FakeAudioHardware::isDeviceAlive(AudioDeviceID device)
{
    std::lock_guard lock(mMutex);
    const Device *d = find(device);
    return d && d->alive;
}

OSStatus FakeAudioHardware::streamFormat(AudioDeviceID device, bool isInput, AudioStreamBasicDescription &format)
{
    std::lock_guard lock(mMutex);
    record(entry("streamFormat", device));
    const Device *d = find(device);
    if (!d || (isInput && !d->hasInput))
        return kAudioHardwareBadDeviceError;
    std::uint32_t channels = 0;
    for (std::uint32_t c : d->streamChannels)
        channels += c;
    format = AudioStreamBasicDescription{};
    format.mSampleRate = d->sampleRate;
    format.mFormatID = kAudioFormatLinearPCM;
    format.mFormatFlags = d->formatFlags;
    format.mBytesPerFrame = format.mBytesPerPacket = 4 * channels;
    format.mFramesPerPacket = 1;
    format.mChannelsPerFrame = channels;
    format.mBitsPerChannel = 32;
    return kAudioNoError;
}

std::string FakeAudioHardware::deviceName(AudioDeviceID device, bool)
{
    std::lock_guard lock(mMutex);
    record(entry("deviceName", device));
    const Device *d = find(device);
    return d ? d->name : std::string();
}

std::string FakeAudioHardware::deviceManufacturer(AudioDeviceID device, bool)
{
    std::lock_guard lock(mMutex);
    record(entry("deviceManufacturer", device));
    const Device *d = find(device);
    return d ? d->manufacturer : std::string();
}

bool FakeAudioHardware::isDataSourceSettable(AudioDeviceID device, bool)
{
    std::lock_guard lock(mMutex);
    record(entry("isDataSourceSettable", device));
    const Device *d = find(device);
    return d && d->dataSourceSettable;
}

std::vector<std::uint32_t> FakeAudioHardware::dataSources(AudioDeviceID device, bool)
{
    std::lock_guard lock(mMutex);
    record(entry("dataSources", device));
    std::vector<std::uint32_t> ids;
    if (const Device *d = find(device))
        for (const DataSource &s : d->dataSources)
            ids.push_back(s.id);
    return ids;
}

std::optional<std::string> FakeAudioHardware::dataSourceName(AudioDeviceID device, bool, std::uint32_t source)
{
    std::lock_guard lock(mMutex);
    record(entry("dataSourceName", device) + " " + std::to_string(source));
    if (const Device *d = find(device))
        for (const DataSource &s : d->dataSources)
            if (s.id == source)
                return s.name;
    return std::nullopt;
}

OSStatus FakeAudioHardware::setDataSource(AudioDeviceID device, bool, std::uint32_t source)
{
    std::lock_guard lock(mMutex);
    record(entry("setDataSource", device) + " " + std::to_string(source));
    auto it = mDevices.find(device);
    if (it == mDevices.end())
        return kAudioHardwareBadDeviceError;
    it->second.currentDataSource = source;
    return kAudioNoError;
}

AudioBufferListPtr FakeAudioHardware::streamConfiguration(AudioDeviceID device, bool)
{
    std::lock_guard lock(mMutex);
    record(entry("streamConfiguration", device));
    const Device *d = find(device);
    if (!d)
        return nullptr;
    auto list = makeAudioBufferList(std::uint32_t(d->streamChannels.size()));
    for (std::size_t i = 0; i < d->streamChannels.size(); ++i)
        buffers(*list)[i].mNumberChannels = d->streamChannels[i];
    return list;
}

bool FakeAudioHardware::isVolumeSettable(AudioDeviceID device, std::uint32_t channel, bool)
{
    std::lock_guard lock(mMutex);
    record(entry("isVolumeSettable", device) + " " + channelText(channel));
    const Device *d = find(device);
    return d && channel >= 1 && channel <= d->volumeSettable.size() && d->volumeSettable[channel - 1];
}

OSStatus FakeAudioHardware::volumeScalar(AudioDeviceID device, std::uint32_t channel, bool, float &scalar)
{
    std::lock_guard lock(mMutex);
    record(entry("volumeScalar", device) + " " + channelText(channel));
    const Device *d = find(device);
    if (!d || channel < 1 || channel > d->volumes.size())
        return kAudioHardwareUnknownPropertyError;
    scalar = d->volumes[channel - 1];
    return kAudioNoError;
}

OSStatus FakeAudioHardware::setVolumeScalar(AudioDeviceID device, std::uint32_t channel, bool, float scalar)
{
    std::lock_guard lock(mMutex);
    char value[32];
    std::snprintf(value, sizeof value, "%.9g", double(scalar));
    record(entry("setVolume", device) + " " + channelText(channel) + " " + value);
    auto it = mDevices.find(device);
    if (it == mDevices.end() || channel < 1 || channel > it->second.volumes.size())
        return kAudioHardwareUnknownPropertyError;
    it->second.volumes[channel - 1] = scalar;
    return kAudioNoError;
}

OSStatus FakeAudioHardware::addIOProc(AudioDeviceID device, AudioDeviceIOProc proc, void *clientData)
{
    std::lock_guard lock(mMutex);
    record(entry("addIOProc", device));
    mIOProcs.push_back({device, proc, clientData, false});
    return kAudioNoError;
}

OSStatus FakeAudioHardware::removeIOProc(AudioDeviceID device, AudioDeviceIOProc proc)
{
    std::lock_guard lock(mMutex);
    record(entry("removeIOProc", device));
    std::erase_if(mIOProcs, [&](const IOProc &p) { return p.device == device && p.proc == proc; });
    return kAudioNoError;
}

OSStatus FakeAudioHardware::start(AudioDeviceID device, AudioDeviceIOProc proc)
{
    std::lock_guard lock(mMutex);
    record(entry("start", device));
    for (IOProc &p : mIOProcs)
        if (p.device == device && p.proc == proc)
            p.running = true;
    return kAudioNoError;
}

OSStatus FakeAudioHardware::stop(AudioDeviceID device, AudioDeviceIOProc proc)
{
    std::lock_guard lock(mMutex);
    record(entry("stop", device));
    for (IOProc &p : mIOProcs)
        if (p.device == device && p.proc == proc)
            p.running = false;
    return kAudioNoError;
}

OSStatus FakeAudioHardware::addPropertyListener(AudioDeviceID device, std::uint32_t channel, bool,
    AudioPropertySelector property, AudioDevicePropertyListenerProc proc, void *clientData)
{
    std::lock_guard lock(mMutex);
    record(entry("addListener", device) + " " + channelText(channel) + " " + selectorName(property));
    mListeners.push_back({device, channel, property, proc, clientData});
    return kAudioNoError;
}

OSStatus FakeAudioHardware::removePropertyListener(AudioDeviceID device, std::uint32_t channel, bool,
    AudioPropertySelector property, AudioDevicePropertyListenerProc proc)
{
    std::lock_guard lock(mMutex);
    record(entry("removeListener", device) + " " + channelText(channel) + " " + selectorName(property));
    auto it = std::ranges::find_if(mListeners, [&](const Listener &l) {
        return l.device == device && l.channel == channel && l.property == property && l.proc == proc;
    });
    if (it == mListeners.end())
        return kAudioHardwareUnknownPropertyError;
    mListeners.erase(it);
    return kAudioNoError;
}

} // namespace quaverly::test
