// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/AudioHardware.h"
#include "music/FloatValue.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <numeric>
#include <ranges>

namespace quaverly::test {

// An audio hardware layer for what no real server produces on demand: data
// sources (ports), odd channel layouts, partly settable volumes. The test
// sets up devices (ids from 1), drives IO cycles and notifications (callbacks
// run on the driving thread) and reads back the writes the code made:
// "start 2", "stop 2", "setVolume 2 ch1 0.370000005", "setDataSource 1 12".
class FakeAudioHardware final : public AudioHardware {
public:
    struct DataSource {
        std::uint32_t id = 0;
        std::optional<std::string> name;
    };
    struct Device {
        std::string name, manufacturer;
        bool hasInput = true;
        bool alive = true;
        double sampleRate = 44100.0;
        std::vector<std::uint32_t> streamChannels{2};
        bool dataSourceSettable = false;
        std::vector<DataSource> dataSources;
        std::uint32_t currentDataSource = 0;
        std::vector<bool> volumeSettable; // index 0 is channel 1
        std::vector<float> volumes;
    };

    AudioDeviceID addDevice(Device device)
    {
        std::lock_guard lock(mMutex);
        const auto id = AudioDeviceID(mDevices.size() + 1);
        mDevices.emplace(id, std::move(device));
        return id;
    }
    template<typename F>
    void update(AudioDeviceID id, F &&edit)
    {
        std::lock_guard lock(mMutex);
        edit(mDevices.at(id));
    }
    // An unknown id is a dead device without input.
    [[nodiscard]] Device device(AudioDeviceID id) const
    {
        std::lock_guard lock(mMutex);
        const auto it = mDevices.find(id);
        Device none;
        none.hasInput = none.alive = false;
        return it == mDevices.end() ? none : it->second;
    }
    // The recorded writes that start with prefix, in order.
    [[nodiscard]] std::vector<std::string> log(const std::string &prefix = {}) const
    {
        std::lock_guard lock(mMutex);
        std::vector<std::string> matching;
        std::ranges::copy_if(mLog, std::back_inserter(matching), [&](const auto &e) { return e.starts_with(prefix); });
        return matching;
    }
    void clearLog()
    {
        std::lock_guard lock(mMutex);
        mLog.clear();
    }
    void runIOCycle(AudioDeviceID device, const AudioBufferList &input, double sampleTime)
    {
        std::lock_guard lock(mMutex);
        AudioTimeStamp now;
        now.mSampleTime = sampleTime;
        now.mFlags = kAudioTimeStampSampleTimeValid;
        for (const Registration &p : std::vector(mIOProcs))
            if (p.device == device && p.running)
                reinterpret_cast<AudioDeviceIOProc>(p.proc)(device, &now, &input, &now, nullptr, &now, p.clientData);
    }
    void notify(AudioDeviceID device, std::uint32_t channel, AudioPropertySelector property)
    {
        std::lock_guard lock(mMutex);
        for (const Registration &l : std::vector(mListeners))
            if (l.device == device && l.property == property
                && (l.channel == channel || l.channel == kAudioPropertyWildcardChannel))
                reinterpret_cast<AudioDevicePropertyListenerProc>(l.proc)(device, channel, true, property, l.clientData);
    }

    std::vector<AudioDeviceID> devices() override
    {
        std::lock_guard lock(mMutex);
        const auto ids = std::views::keys(mDevices);
        return {ids.begin(), ids.end()};
    }
    bool isDeviceAlive(AudioDeviceID id) override { return device(id).alive; }
    OSStatus streamFormat(AudioDeviceID id, bool isInput, AudioStreamBasicDescription &format) override
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
    std::string deviceName(AudioDeviceID id, bool) override { return device(id).name; }
    std::string deviceManufacturer(AudioDeviceID id, bool) override { return device(id).manufacturer; }
    bool isDataSourceSettable(AudioDeviceID id, bool) override { return device(id).dataSourceSettable; }
    std::vector<std::uint32_t> dataSources(AudioDeviceID id, bool) override
    {
        const auto ids = device(id).dataSources | std::views::transform(&DataSource::id);
        return {ids.begin(), ids.end()};
    }
    std::optional<std::string> dataSourceName(AudioDeviceID id, bool, std::uint32_t source) override
    {
        for (const DataSource &s : device(id).dataSources)
            if (s.id == source)
                return s.name;
        return std::nullopt;
    }
    OSStatus setDataSource(AudioDeviceID id, bool, std::uint32_t source) override
    {
        std::lock_guard lock(mMutex);
        mLog.push_back("setDataSource " + std::to_string(id) + " " + std::to_string(source));
        mDevices.at(id).currentDataSource = source;
        return kAudioNoError;
    }
    AudioBufferListPtr streamConfiguration(AudioDeviceID id, bool) override
    {
        const auto channels = device(id).streamChannels;
        auto list = makeAudioBufferList(std::uint32_t(channels.size()));
        for (std::size_t i = 0; i < channels.size(); ++i)
            buffers(*list)[i].mNumberChannels = channels[i];
        return list;
    }
    bool isVolumeSettable(AudioDeviceID id, std::uint32_t channel, bool) override
    {
        const auto settable = device(id).volumeSettable;
        return channel >= 1 && channel <= settable.size() && settable[channel - 1];
    }
    OSStatus volumeScalar(AudioDeviceID id, std::uint32_t channel, bool, float &scalar) override
    {
        const auto volumes = device(id).volumes;
        if (channel < 1 || channel > volumes.size())
            return kAudioHardwareUnknownPropertyError;
        scalar = volumes[channel - 1];
        return kAudioNoError;
    }
    OSStatus setVolumeScalar(AudioDeviceID id, std::uint32_t channel, bool, float scalar) override
    {
        std::lock_guard lock(mMutex);
        mLog.push_back("setVolume " + std::to_string(id) + " ch" + std::to_string(channel) + " " + formatC("%.9g", double(scalar)));
        auto &volumes = mDevices.at(id).volumes;
        if (channel < 1 || channel > volumes.size())
            return kAudioHardwareUnknownPropertyError;
        volumes[channel - 1] = scalar;
        return kAudioNoError;
    }
    OSStatus addIOProc(AudioDeviceID id, AudioDeviceIOProc proc, void *clientData) override
    {
        return edit(mIOProcs, {id, 0, 0, reinterpret_cast<void *>(proc), clientData, false}, true);
    }
    OSStatus removeIOProc(AudioDeviceID id, AudioDeviceIOProc proc) override
    {
        return edit(mIOProcs, {id, 0, 0, reinterpret_cast<void *>(proc), nullptr, false}, false);
    }
    OSStatus start(AudioDeviceID id, AudioDeviceIOProc proc) override { return run(id, proc, true); }
    OSStatus stop(AudioDeviceID id, AudioDeviceIOProc proc) override { return run(id, proc, false); }
    OSStatus addPropertyListener(AudioDeviceID id, std::uint32_t channel, bool, AudioPropertySelector property,
        AudioDevicePropertyListenerProc proc, void *clientData) override
    {
        return edit(mListeners, {id, channel, property, reinterpret_cast<void *>(proc), clientData, true}, true);
    }
    OSStatus removePropertyListener(AudioDeviceID id, std::uint32_t channel, bool, AudioPropertySelector property,
        AudioDevicePropertyListenerProc proc) override
    {
        return edit(mListeners, {id, channel, property, reinterpret_cast<void *>(proc), nullptr, true}, false);
    }

    // A tone output that the test pulls samples from; none while stopped.
    OSStatus startOutput(AudioOutputRenderProc render, AudioOutputEndedProc ended, void *clientData) override
    {
        std::lock_guard lock(mMutex);
        mOutput = {render, ended, clientData};
        return kAudioNoError;
    }
    OSStatus stopOutput() override
    {
        std::lock_guard lock(mMutex);
        mOutput = {};
        return kAudioNoError;
    }
    // `frames` samples of the playing output at `rateHz`; empty when none plays.
    std::vector<float> renderOutput(std::uint32_t frames, float rateHz)
    {
        std::lock_guard lock(mMutex);
        if (!mOutput.render)
            return {};
        std::vector<float> samples(frames);
        mOutput.render(samples.data(), frames, rateHz, mOutput.clientData);
        return samples;
    }

private:
    struct Output {
        AudioOutputRenderProc render = nullptr;
        AudioOutputEndedProc ended = nullptr;
        void *clientData = nullptr;
    };
    struct Registration {
        AudioDeviceID device;
        std::uint32_t channel;
        AudioPropertySelector property;
        void *proc, *clientData;
        bool running;
        bool operator==(const Registration &o) const
        {
            return device == o.device && channel == o.channel && property == o.property && proc == o.proc;
        }
    };
    OSStatus edit(std::vector<Registration> &list, const Registration &r, bool add)
    {
        std::lock_guard lock(mMutex);
        if (add)
            list.push_back(r);
        else
            std::erase(list, r);
        return kAudioNoError;
    }
    OSStatus run(AudioDeviceID id, AudioDeviceIOProc proc, bool running)
    {
        std::lock_guard lock(mMutex);
        mLog.push_back((running ? "start " : "stop ") + std::to_string(id));
        for (Registration &p : mIOProcs)
            if (p.device == id && p.proc == reinterpret_cast<void *>(proc))
                p.running = running;
        return kAudioNoError;
    }

    // Recursive: listeners and IO procedures call back into the fake.
    mutable std::recursive_mutex mMutex;
    std::map<AudioDeviceID, Device> mDevices;
    std::vector<std::string> mLog;
    std::vector<Registration> mIOProcs, mListeners;
    Output mOutput;
};

} // namespace quaverly::test
