// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/AudioHardware.h"

#include <map>
#include <mutex>
#include <string>

namespace quaverly::test {

// An audio hardware layer for what no real server produces on demand: data
// sources (ports), odd channel layouts, partly settable volumes. The test
// sets up devices, drives IO cycles and notifications (callbacks run on the
// driving thread), and reads back the writes the code made: "start 2",
// "stop 2", "setVolume 2 ch1 0.370000005", "setDataSource 1 12".
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
        std::uint32_t formatFlags = kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked;
        std::vector<std::uint32_t> streamChannels{2};
        bool dataSourceSettable = false;
        std::vector<DataSource> dataSources;
        std::uint32_t currentDataSource = 0;
        // Index 0 is channel 1.
        std::vector<bool> volumeSettable;
        std::vector<float> volumes;
    };

    // Ids count from 1.
    AudioDeviceID addDevice(Device device);
    template<typename F>
    void update(AudioDeviceID id, F &&edit)
    {
        std::lock_guard lock(mMutex);
        edit(mDevices.at(id));
    }
    [[nodiscard]] Device device(AudioDeviceID id) const;
    // The recorded writes that start with prefix, in order.
    [[nodiscard]] std::vector<std::string> log(const std::string &prefix = {}) const;
    void clearLog();
    void runIOCycle(AudioDeviceID device, const AudioBufferList &input, double sampleTime);
    void notify(AudioDeviceID device, std::uint32_t channel, AudioPropertySelector property);
    [[nodiscard]] std::size_t listenerCount(AudioDeviceID device) const;
    [[nodiscard]] bool isRunning(AudioDeviceID device) const;

    std::vector<AudioDeviceID> devices() override;
    bool isDeviceAlive(AudioDeviceID device) override;
    OSStatus streamFormat(AudioDeviceID device, bool isInput, AudioStreamBasicDescription &format) override;
    std::string deviceName(AudioDeviceID device, bool) override { return get(device, &Device::name); }
    std::string deviceManufacturer(AudioDeviceID device, bool) override { return get(device, &Device::manufacturer); }
    bool isDataSourceSettable(AudioDeviceID device, bool) override { return get(device, &Device::dataSourceSettable); }
    std::vector<std::uint32_t> dataSources(AudioDeviceID device, bool isInput) override;
    std::optional<std::string> dataSourceName(AudioDeviceID device, bool isInput, std::uint32_t source) override;
    OSStatus setDataSource(AudioDeviceID device, bool isInput, std::uint32_t source) override;
    AudioBufferListPtr streamConfiguration(AudioDeviceID device, bool isInput) override;
    bool isVolumeSettable(AudioDeviceID device, std::uint32_t channel, bool isInput) override;
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
    template<typename T>
    T get(AudioDeviceID id, T Device::*field) const
    {
        std::lock_guard lock(mMutex);
        auto it = mDevices.find(id);
        return it == mDevices.end() ? T() : it->second.*field;
    }
    OSStatus run(AudioDeviceID device, AudioDeviceIOProc proc, bool running);

    // Recursive: listeners and IO procedures call back into the fake.
    mutable std::recursive_mutex mMutex;
    std::map<AudioDeviceID, Device> mDevices;
    std::vector<std::string> mLog;
    std::vector<Registration> mIOProcs, mListeners;
};

} // namespace quaverly::test
