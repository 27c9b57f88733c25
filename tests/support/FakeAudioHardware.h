// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/AudioHardware.h"

#include <map>
#include <mutex>

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

private:
    // Recursive: listeners and IO procedures call back into the fake.
    mutable std::recursive_mutex mMutex;
    std::map<AudioDeviceID, Device> mDevices;
    // f(device) under the lock, or a default value for an unknown device.
    template<typename F>
    auto get(AudioDeviceID id, F &&f) const
    {
        std::lock_guard lock(mMutex);
        auto it = mDevices.find(id);
        return it == mDevices.end() ? decltype(f(it->second))() : f(it->second);
    }

public:
    AudioDeviceID addDevice(Device device);
    template<typename F>
    void update(AudioDeviceID id, F &&edit)
    {
        std::lock_guard lock(mMutex);
        edit(mDevices.at(id));
    }
    [[nodiscard]] Device device(AudioDeviceID id) const { return get(id, [](const Device &d) { return d; }); }
    // The recorded writes that start with prefix, in order.
    [[nodiscard]] std::vector<std::string> log(const std::string &prefix = {}) const;
    void clearLog();
    void runIOCycle(AudioDeviceID device, const AudioBufferList &input, double sampleTime);
    void notify(AudioDeviceID device, std::uint32_t channel, AudioPropertySelector property);
    [[nodiscard]] bool isRunning(AudioDeviceID device) const;

    std::vector<AudioDeviceID> devices() override;
    bool isDeviceAlive(AudioDeviceID id) override { return get(id, [](const Device &d) { return d.alive; }); }
    OSStatus streamFormat(AudioDeviceID device, bool isInput, AudioStreamBasicDescription &format) override;
    std::string deviceName(AudioDeviceID id, bool) override { return get(id, [](const Device &d) { return d.name; }); }
    std::string deviceManufacturer(AudioDeviceID id, bool) override
    {
        return get(id, [](const Device &d) { return d.manufacturer; });
    }
    bool isDataSourceSettable(AudioDeviceID id, bool) override
    {
        return get(id, [](const Device &d) { return d.dataSourceSettable; });
    }
    std::vector<std::uint32_t> dataSources(AudioDeviceID device, bool isInput) override;
    std::optional<std::string> dataSourceName(AudioDeviceID device, bool isInput, std::uint32_t source) override;
    OSStatus setDataSource(AudioDeviceID device, bool isInput, std::uint32_t source) override;
    AudioBufferListPtr streamConfiguration(AudioDeviceID device, bool isInput) override;
    bool isVolumeSettable(AudioDeviceID id, std::uint32_t channel, bool) override
    {
        return get(id, [&](const Device &d) { return channel >= 1 && channel <= d.volumeSettable.size() && d.volumeSettable[channel - 1]; });
    }
    OSStatus volumeScalar(AudioDeviceID device, std::uint32_t channel, bool isInput, float &scalar) override;
    OSStatus setVolumeScalar(AudioDeviceID device, std::uint32_t channel, bool isInput, float scalar) override;
    OSStatus addIOProc(AudioDeviceID device, AudioDeviceIOProc proc, void *clientData) override;
    OSStatus removeIOProc(AudioDeviceID device, AudioDeviceIOProc proc) override;
    OSStatus start(AudioDeviceID device, AudioDeviceIOProc proc) override { return run(device, proc, true); }
    OSStatus stop(AudioDeviceID device, AudioDeviceIOProc proc) override { return run(device, proc, false); }
    OSStatus addPropertyListener(AudioDeviceID device, std::uint32_t channel, bool isInput,
        AudioPropertySelector property, AudioDevicePropertyListenerProc proc, void *clientData) override;
    OSStatus removePropertyListener(AudioDeviceID device, std::uint32_t channel, bool isInput,
        AudioPropertySelector property, AudioDevicePropertyListenerProc proc) override;

private:
    struct Registration {
        AudioDeviceID device;
        std::uint32_t channel;
        AudioPropertySelector property;
        void *proc;
        void *clientData;
        bool running;
    };
    OSStatus run(AudioDeviceID device, AudioDeviceIOProc proc, bool running);

    std::vector<std::string> mLog;
    std::vector<Registration> mIOProcs, mListeners;
};

} // namespace quaverly::test
