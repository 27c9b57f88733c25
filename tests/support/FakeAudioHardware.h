// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/AudioHardware.h"

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quaverly::test {

// A scriptable audio hardware layer: the test sets up devices, data
// sources, channel layouts and volumes, drives IO cycles and notifications,
// and reads back the log of calls the code under test made.
//
// Log entries read "<call> <device>[ ch<n>][ <selector>][ <value>]", e.g.
// "stop 2", "addListener 2 ch0 livn", "setVolume 2 ch1 0.37".
// Thread-safe: IO cycles and notifications may be driven from any thread;
// callbacks run on the driving thread.
class FakeAudioHardware final : public AudioHardware {
public:
    struct DataSource {
        std::uint32_t id = 0;
        std::optional<std::string> name;
    };

    struct Device {
        AudioDeviceID id = kAudioDeviceUnknown;
        std::string name;
        std::string manufacturer;
        bool hasInput = true;
        bool alive = true;
        double sampleRate = 44100.0;
        std::uint32_t formatFlags = kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked;
        std::vector<std::uint32_t> streamChannels{2};
        bool dataSourceSettable = false;
        std::vector<DataSource> dataSources;
        std::uint32_t currentDataSource = 0;
        // Per channel from 1: index 0 is channel 1.
        std::vector<bool> volumeSettable;
        std::vector<float> volumes;
    };

    // Adds a device with the next id (1, 2, …); edit it later with update().
    AudioDeviceID addDevice(Device device);
    template<typename F>
    void update(AudioDeviceID id, F &&edit)
    {
        std::lock_guard lock(mMutex);
        edit(mDevices.at(id));
    }
    [[nodiscard]] Device device(AudioDeviceID id) const;

    [[nodiscard]] std::vector<std::string> log() const;
    void clearLog();
    // Entries that start with prefix, in order.
    [[nodiscard]] std::vector<std::string> log(const std::string &prefix) const;

    // Runs every started IO procedure of the device once with this input.
    void runIOCycle(AudioDeviceID device, const AudioBufferList &input, double sampleTime);
    // Calls every listener registered for (device, channel or wildcard, property).
    void notify(AudioDeviceID device, std::uint32_t channel, AudioPropertySelector property);
    [[nodiscard]] std::size_t listenerCount(AudioDeviceID device) const;
    [[nodiscard]] bool isRunning(AudioDeviceID device) const;

    std::vector<AudioDeviceID> devices() override;
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

    [[nodiscard]] static std::string selectorName(AudioPropertySelector selector);

private:
    struct IOProc {
        AudioDeviceID device;
        AudioDeviceIOProc proc;
        void *clientData;
        bool running;
    };
    struct Listener {
        AudioDeviceID device;
        std::uint32_t channel;
        AudioPropertySelector property;
        AudioDevicePropertyListenerProc proc;
        void *clientData;
    };

    void record(std::string entry);
    const Device *find(AudioDeviceID id) const;

    // Recursive: listeners and IO procedures call back into the fake.
    mutable std::recursive_mutex mMutex;
    std::map<AudioDeviceID, Device> mDevices;
    AudioDeviceID mNextId = 1;
    std::vector<std::string> mLog;
    std::vector<IOProc> mIOProcs;
    std::vector<Listener> mListeners;
};

} // namespace quaverly::test
