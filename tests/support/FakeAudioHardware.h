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
    [[nodiscard]] bool isRunning(AudioDeviceID device) const;

    std::vector<AudioDeviceID> devices() override;
    bool isDeviceAlive(AudioDeviceID id) override { return device(id).alive; }
    OSStatus streamFormat(AudioDeviceID id, bool isInput, AudioStreamBasicDescription &format) override;
    std::string deviceName(AudioDeviceID id, bool) override { return device(id).name; }
    std::string deviceManufacturer(AudioDeviceID id, bool) override { return device(id).manufacturer; }
    bool isDataSourceSettable(AudioDeviceID id, bool) override { return device(id).dataSourceSettable; }
    std::vector<std::uint32_t> dataSources(AudioDeviceID id, bool) override;
    std::optional<std::string> dataSourceName(AudioDeviceID id, bool, std::uint32_t source) override;
    OSStatus setDataSource(AudioDeviceID id, bool, std::uint32_t source) override;
    AudioBufferListPtr streamConfiguration(AudioDeviceID id, bool) override;
    bool isVolumeSettable(AudioDeviceID id, std::uint32_t channel, bool) override;
    OSStatus volumeScalar(AudioDeviceID id, std::uint32_t channel, bool, float &scalar) override;
    OSStatus setVolumeScalar(AudioDeviceID id, std::uint32_t channel, bool, float scalar) override;
    OSStatus addIOProc(AudioDeviceID id, AudioDeviceIOProc proc, void *clientData) override;
    OSStatus removeIOProc(AudioDeviceID id, AudioDeviceIOProc proc) override;
    OSStatus start(AudioDeviceID id, AudioDeviceIOProc proc) override { return run(id, proc, true); }
    OSStatus stop(AudioDeviceID id, AudioDeviceIOProc proc) override { return run(id, proc, false); }
    OSStatus addPropertyListener(AudioDeviceID id, std::uint32_t channel, bool, AudioPropertySelector property,
        AudioDevicePropertyListenerProc proc, void *clientData) override;
    OSStatus removePropertyListener(AudioDeviceID id, std::uint32_t channel, bool, AudioPropertySelector property,
        AudioDevicePropertyListenerProc proc) override;

private:
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
    OSStatus run(AudioDeviceID id, AudioDeviceIOProc proc, bool running);

    // Recursive: listeners and IO procedures call back into the fake.
    mutable std::recursive_mutex mMutex;
    std::map<AudioDeviceID, Device> mDevices;
    std::vector<std::string> mLog;
    std::vector<Registration> mIOProcs, mListeners;
};

} // namespace quaverly::test
