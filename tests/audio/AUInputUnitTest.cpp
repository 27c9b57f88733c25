// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/AUInputUnit.h"

#include "support/FakeAudioHardware.h"
#include "support/QtApp.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

namespace quaverly {
namespace {

using test::FakeAudioHardware;
using Device = FakeAudioHardware::Device;
using Strings = std::vector<std::string>;

Device inputDevice(std::string name, std::string manufacturer = "Acme")
{
    Device d;
    d.name = std::move(name);
    d.manufacturer = std::move(manufacturer);
    d.streamChannels = {1};
    d.volumeSettable = {true};
    d.volumes = {0.5f};
    return d;
}

struct Titles {
    const char *what;
    std::vector<Device> devices;
    Strings titles;
};

class CatalogueTest : public ::testing::TestWithParam<Titles> {};

TEST_P(CatalogueTest, ListsOneEntryPerSourceOrDevice)
{
    test::ensureQtApp();
    auto hw = std::make_shared<FakeAudioHardware>();
    for (const Device &d : GetParam().devices)
        hw->addDevice(d);
    AUInputUnit unit(hw);
    Strings titles;
    for (const auto &e : unit.audioInputSources())
        titles.push_back(e.name.toStdString());
    EXPECT_EQ(titles, GetParam().titles);
}

Device withSources(Device d, bool settable, std::vector<FakeAudioHardware::DataSource> sources)
{
    d.dataSourceSettable = settable;
    d.dataSources = std::move(sources);
    return d;
}

Device outputOnly(Device d)
{
    d.hasInput = false;
    return d;
}

INSTANTIATE_TEST_SUITE_P(Devices, CatalogueTest,
    ::testing::Values(
        Titles{"three data sources, device name in none",
            {withSources(inputDevice("Built-in"), true, {{1, "Front Mic"}, {2, "Line In"}, {3, "Rear Mic"}})},
            {"Acme : Front Mic", "Acme : Line In", "Acme : Rear Mic"}},
        Titles{"settable with an empty list", {withSources(inputDevice("USB Mic"), true, {})}, {"Acme : USB Mic"}},
        Titles{"unsettable even though it lists sources",
            {withSources(inputDevice("Interface"), false, {{7, "Input 1"}, {8, "Input 2"}})}, {"Acme : Interface"}},
        Titles{"output-only device left out", {outputOnly(inputDevice("Speakers")), inputDevice("Mic")},
            {"Acme : Mic"}},
        Titles{"nameless source borrows nothing", {withSources(inputDevice("Dock"), true, {{4, std::nullopt}})},
            {"Acme : "}},
        Titles{"devices in layer order",
            {inputDevice("B", "Zed"), withSources(inputDevice("A", "Yak"), true, {{2, "x"}, {1, "y"}})},
            {"Zed : B", "Yak : x", "Yak : y"}},
        Titles{"no input device at all", {outputOnly(inputDevice("Speakers"))}, {}}),
    [](const auto &info) {
        std::string name = info.param.what;
        for (char &c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    });

// Three entries: two data sources of device 1, then device 2.
class UnitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        mFirst = hw->addDevice(withSources(inputDevice("Built-in"), true, {{11, "Mic"}, {12, "Line"}}));
        Device second = inputDevice("USB", "Other");
        second.sampleRate = 48000.0;
        second.streamChannels = {2};
        second.volumeSettable = {true, true};
        second.volumes = {0.25f, 0.25f};
        mSecond = hw->addDevice(second);
        unit = std::make_unique<AUInputUnit>(hw);
        unit->setIOProc(&UnitTest::ioProc, this);
        unit->setListenerProc(&UnitTest::clientListener, this);
        unit->setupPopUpButton(&popUp);
        unit->setupVolumeSlider(&slider, &text);
        hw->clearLog();
    }

    static OSStatus ioProc(AudioDeviceID, const AudioTimeStamp *, const AudioBufferList *, const AudioTimeStamp *,
        AudioBufferList *, const AudioTimeStamp *, void *clientData)
    {
        ++static_cast<UnitTest *>(clientData)->cycles;
        return 0;
    }

    // What the client sees when it hears of a change: the unit's refresh
    // must already be done.
    static OSStatus clientListener(AudioDeviceID device, std::uint32_t channel, bool isInput,
        AudioPropertySelector property, void *clientData)
    {
        auto *self = static_cast<UnitTest *>(clientData);
        self->heard.push_back(FakeAudioHardware::selectorName(property) + " " + std::to_string(device) + " ch"
            + std::to_string(channel) + (isInput ? " in" : " out"));
        self->ratesSeen.push_back(self->unit->sampleRate());
        self->before = self->hw->log();
        self->hw->clearLog();
        return 42;
    }

    bool mAppReady = (test::ensureQtApp(), true);
    std::shared_ptr<FakeAudioHardware> hw = std::make_shared<FakeAudioHardware>();
    AudioDeviceID mFirst = 0, mSecond = 0;
    QComboBox popUp;
    QSlider slider;
    QLineEdit text;
    std::unique_ptr<AUInputUnit> unit;
    int cycles = 0;
    Strings heard;
    Strings before;
    std::vector<double> ratesSeen;
};

TEST_F(UnitTest, PopUpHoldsTheTitlesAndIsFilledOnlyForANewButton)
{
    ASSERT_EQ(popUp.count(), 3);
    EXPECT_EQ(popUp.itemText(0), "Acme : Mic");
    EXPECT_EQ(popUp.itemText(1), "Acme : Line");
    EXPECT_EQ(popUp.itemText(2), "Other : USB");
    popUp.addItem("added by hand");
    unit->setupPopUpButton(&popUp);
    EXPECT_EQ(popUp.count(), 4) << "the same button was emptied and filled again";
}

TEST_F(UnitTest, NothingIsOpenBeforeTheFirstSelection)
{
    EXPECT_EQ(unit->sampleRate(), 0.0);
    EXPECT_TRUE(unit->isNativeEndian());
    EXPECT_EQ(unit->inputDevice(), kAudioDeviceUnknown);
    EXPECT_TRUE(hw->log().empty());
}

TEST_F(UnitTest, FirstSelectionReadsFormatConfigurationVolumeThenStartsThenSetsTheSource)
{
    unit->setInputDeviceAtIndex(1);
    const std::string d = std::to_string(mFirst);
    const Strings expected{"streamFormat " + d, "streamConfiguration " + d, "isVolumeSettable " + d + " ch1",
        "volumeScalar " + d + " ch1", "addIOProc " + d, "addListener " + d + " ch0 livn",
        "addListener " + d + " ch0 slay", "addListener " + d + " ch0 sfmt", "addListener " + d + " ch0 ssrc",
        "addListener " + d + " ch0 diff", "addListener " + d + " ch* volm", "addListener " + d + " ch* vdb#",
        "start " + d, "setDataSource " + d + " 12"};
    EXPECT_EQ(hw->log(), expected);
    EXPECT_EQ(unit->sampleRate(), 44100.0);
}

TEST_F(UnitTest, SwitchingDevicesStopsTheOldOneBeforeReadingTheNewOne)
{
    unit->setInputDeviceAtIndex(0);
    hw->clearLog();
    unit->setInputDeviceAtIndex(2);
    const std::string o = std::to_string(mFirst), n = std::to_string(mSecond);
    const Strings expected{"stop " + o, "removeListener " + o + " ch0 livn", "removeListener " + o + " ch0 slay",
        "removeListener " + o + " ch0 sfmt", "removeListener " + o + " ch0 ssrc",
        "removeListener " + o + " ch0 diff", "removeListener " + o + " ch* volm",
        "removeListener " + o + " ch* vdb#", "removeIOProc " + o, "streamFormat " + n, "streamConfiguration " + n,
        "isVolumeSettable " + n + " ch1", "isVolumeSettable " + n + " ch2", "volumeScalar " + n + " ch1",
        "addIOProc " + n, "addListener " + n + " ch0 livn", "addListener " + n + " ch0 slay",
        "addListener " + n + " ch0 sfmt", "addListener " + n + " ch0 ssrc", "addListener " + n + " ch0 diff",
        "addListener " + n + " ch* volm", "addListener " + n + " ch* vdb#", "start " + n};
    EXPECT_EQ(hw->log(), expected);
    EXPECT_EQ(hw->listenerCount(mFirst), 0u);
    EXPECT_FALSE(hw->isRunning(mFirst));
    EXPECT_TRUE(hw->isRunning(mSecond));
    EXPECT_EQ(unit->sampleRate(), 48000.0);
    EXPECT_EQ(unit->channels(), 2u);
}

TEST_F(UnitTest, AnotherSourceOfTheOpenDeviceOnlySetsTheSource)
{
    unit->setInputDeviceAtIndex(0);
    hw->clearLog();
    unit->setInputDeviceAtIndex(1);
    EXPECT_EQ(hw->log(), Strings{"setDataSource " + std::to_string(mFirst) + " 12"});
    EXPECT_TRUE(hw->isRunning(mFirst));
}

TEST_F(UnitTest, IndicesThatSelectNothingChangeNothing)
{
    for (const qint64 index : {qint64(-1), qint64(3), qint64(-7)}) {
        unit->setInputDeviceAtIndex(index);
        EXPECT_TRUE(hw->log().empty()) << "index " << index;
        EXPECT_EQ(unit->inputDevice(), kAudioDeviceUnknown) << "index " << index;
    }
}

struct NamedSelection {
    QString title;
    int index;
};

class SelectByNameTest : public UnitTest, public ::testing::WithParamInterface<NamedSelection> {};

TEST_P(SelectByNameTest, SelectsTheTitleOrFallsBackToTheFirstEntry)
{
    unit->setInputDeviceWithName(GetParam().title);
    EXPECT_EQ(popUp.currentIndex(), GetParam().index);
    const auto &entry = unit->audioInputSources()[std::size_t(GetParam().index)];
    EXPECT_EQ(unit->inputDevice(), entry.deviceID);
    if (entry.dataSource) {
        EXPECT_EQ(hw->device(entry.deviceID).currentDataSource, *entry.dataSource);
    }
}

INSTANTIATE_TEST_SUITE_P(Titles, SelectByNameTest,
    ::testing::Values(NamedSelection{QString("Other : USB"), 2}, NamedSelection{QString("Acme : Line"), 1},
        NamedSelection{QString(), 0}, NamedSelection{QString("Gone : Device"), 0},
        NamedSelection{QString("acme : line"), 0}));

TEST(EmptyCatalogueTest, StartStopAndSelectionTouchNoHardware)
{
    test::ensureQtApp();
    auto hw = std::make_shared<FakeAudioHardware>();
    AUInputUnit unit(hw);
    QComboBox popUp;
    unit.setupPopUpButton(&popUp);
    EXPECT_EQ(popUp.count(), 0);
    hw->clearLog();
    unit.start();
    unit.stop();
    unit.setInputDeviceAtIndex(0);
    unit.setInputDeviceWithName(QString());
    EXPECT_TRUE(hw->log().empty());
}

TEST_F(UnitTest, StopThenStartRegistersEverythingAgainWithoutRereading)
{
    unit->setInputDeviceAtIndex(2);
    unit->stop();
    EXPECT_EQ(hw->listenerCount(mSecond), 0u);
    hw->clearLog();
    unit->start();
    EXPECT_EQ(hw->log("stream"), Strings{});
    EXPECT_EQ(hw->listenerCount(mSecond), 7u);
    auto input = makeAudioBufferList(1);
    hw->runIOCycle(mSecond, *input, 1.0);
    EXPECT_EQ(cycles, 1);
}

struct Dispatch {
    AudioPropertySelector selector;
    std::uint32_t channel;
    Strings unitReads; // hardware calls the unit makes before the client hears
};

class ListenerDispatchTest : public UnitTest, public ::testing::WithParamInterface<Dispatch> {};

TEST_P(ListenerDispatchTest, UnitRefreshesFirstThenForwardsUnchanged)
{
    unit->setInputDeviceAtIndex(2);
    hw->clearLog();
    const std::string n = std::to_string(mSecond);
    hw->notify(mSecond, GetParam().channel, GetParam().selector);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0],
        FakeAudioHardware::selectorName(GetParam().selector) + " " + n + " ch" + std::to_string(GetParam().channel)
            + " in");
    Strings expected;
    for (const auto &r : GetParam().unitReads)
        expected.push_back(r.substr(0, r.find('#')) + n + r.substr(r.find('#') + 1));
    EXPECT_EQ(before, expected);

    const AudioDeviceListenerParams params{mSecond, GetParam().channel, true, GetParam().selector};
    EXPECT_EQ(unit->listenerProc(&params), 42) << "the client's status was not returned";
}

INSTANTIATE_TEST_SUITE_P(Selectors, ListenerDispatchTest,
    ::testing::Values(Dispatch{kAudioDevicePropertyStreamConfiguration, 0, {"streamConfiguration #"}},
        Dispatch{kAudioDevicePropertyStreamFormat, 0, {"streamFormat #"}},
        Dispatch{kAudioDevicePropertyDataSource, 0,
            {"isVolumeSettable # ch1", "isVolumeSettable # ch2", "volumeScalar # ch1"}},
        Dispatch{kAudioDevicePropertyVolumeScalar, 2,
            {"isVolumeSettable # ch1", "isVolumeSettable # ch2", "volumeScalar # ch1"}},
        Dispatch{kAudioDevicePropertyDeviceHasChanged, 0,
            {"isVolumeSettable # ch1", "isVolumeSettable # ch2", "volumeScalar # ch1"}},
        Dispatch{kAudioDevicePropertyDeviceIsAlive, 0, {}},
        Dispatch{kAudioDevicePropertyVolumeRangeDecibels, 1, {}}));

TEST_F(UnitTest, RateChangeIsSeenOnceByAClientThatComparesRates)
{
    unit->setInputDeviceAtIndex(2);
    hw->update(mSecond, [](Device &d) { d.sampleRate = 96000.0; });
    hw->notify(mSecond, 0, kAudioDevicePropertyStreamFormat);
    hw->notify(mSecond, 0, kAudioDevicePropertyStreamFormat);
    hw->notify(mSecond, 1, kAudioDevicePropertyVolumeScalar);
    ASSERT_EQ(ratesSeen.size(), 3u);
    int adoptions = 0;
    double adopted = 48000.0;
    for (double r : ratesSeen)
        if (r != adopted) {
            adopted = r;
            ++adoptions;
        }
    EXPECT_EQ(adoptions, 1);
    EXPECT_EQ(adopted, 96000.0);
}

TEST_F(UnitTest, FailedFormatReadKeepsTheCachedFormat)
{
    unit->setInputDeviceAtIndex(2);
    hw->update(mSecond, [](Device &d) { d.hasInput = false; });
    hw->notify(mSecond, 0, kAudioDevicePropertyStreamFormat);
    EXPECT_EQ(unit->sampleRate(), 48000.0);
}

struct Layout {
    std::vector<std::uint32_t> streams;
    std::uint32_t channels;
};

class ConfigurationTest : public ::testing::TestWithParam<Layout> {};

TEST_P(ConfigurationTest, ChannelsAreSummedOverStreams)
{
    test::ensureQtApp();
    auto hw = std::make_shared<FakeAudioHardware>();
    Device d = inputDevice("Multi");
    d.streamChannels = GetParam().streams;
    d.volumeSettable.assign(8, true);
    d.volumes.assign(8, 1.0f);
    hw->addDevice(d);
    AUInputUnit unit(hw);
    unit.setInputDeviceAtIndex(0);
    EXPECT_EQ(unit.channels(), GetParam().channels);
    const auto copy = unit.streamConfiguration();
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->mNumberBuffers, GetParam().streams.size());
}

INSTANTIATE_TEST_SUITE_P(Streams, ConfigurationTest,
    ::testing::Values(Layout{{}, 0}, Layout{{2, 1}, 3}, Layout{{1}, 1}, Layout{{0, 4}, 4}));

TEST(EndianTest, BigEndianFlagMakesTheStreamForeign)
{
    test::ensureQtApp();
    auto hw = std::make_shared<FakeAudioHardware>();
    Device d = inputDevice("BE");
    d.formatFlags |= kAudioFormatFlagIsBigEndian;
    hw->addDevice(d);
    AUInputUnit unit(hw);
    unit.setInputDeviceAtIndex(0);
    EXPECT_FALSE(unit.isNativeEndian());
}

struct VolumeCase {
    const char *what;
    std::vector<std::uint32_t> streams;
    std::vector<bool> settable;
    std::vector<float> volumes;
    bool enabled;
    int sliderValue;
    QString text;
    std::size_t settableQueries;
};

class VolumeStateTest : public ::testing::TestWithParam<VolumeCase> {
protected:
    void SetUp() override { test::ensureQtApp(); }
};

TEST_P(VolumeStateTest, ControlsShowTheDeviceState)
{
    const VolumeCase &c = GetParam();
    auto hw = std::make_shared<FakeAudioHardware>();
    Device d = inputDevice("Mic");
    d.streamChannels = c.streams;
    d.volumeSettable = c.settable;
    d.volumes = c.volumes;
    hw->addDevice(d);
    AUInputUnit unit(hw);
    QSlider slider;
    QLabel text;
    slider.setRange(0, 100);
    unit.setupVolumeSlider(&slider, &text);
    unit.setInputDeviceAtIndex(0);
    EXPECT_EQ(text.text(), "") << "controls were written before the queued refresh";
    QCoreApplication::processEvents();
    EXPECT_EQ(slider.isEnabled(), c.enabled);
    EXPECT_EQ(slider.value(), c.sliderValue);
    EXPECT_EQ(text.text(), c.text);
    EXPECT_EQ(hw->log("isVolumeSettable").size(), c.settableQueries);
}

INSTANTIATE_TEST_SUITE_P(Devices, VolumeStateTest,
    ::testing::Values(VolumeCase{"one settable channel at half", {1}, {true}, {0.5f}, true, 50, "50", 1},
        VolumeCase{"only channel 1 of 2 settable", {2}, {true, false}, {0.5f, 0.5f}, false, 100, "n/a", 2},
        VolumeCase{"channel 1 unsettable stops the queries", {2}, {false, true}, {0.5f, 0.5f}, false, 100, "n/a", 1},
        VolumeCase{"no channels, no queries", {}, {}, {}, false, 100, "n/a", 0},
        VolumeCase{"just below 0.37 truncates", {1}, {true}, {std::nextafter(0.37f, 0.0f)}, true, 36, "36", 1},
        VolumeCase{"full scale", {1}, {true}, {1.0f}, true, 100, "100", 1},
        VolumeCase{"two streams all settable", {1, 1}, {true, true}, {0.0f, 0.9f}, true, 0, "0", 2}),
    [](const auto &info) {
        std::string name = info.param.what;
        for (char &c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    });

TEST_F(UnitTest, SetVolumeWritesEveryChannelOnlyWhenWritableAndChanged)
{
    unit->setInputDeviceAtIndex(2);
    hw->clearLog();
    unit->setVolume(37);
    const std::string n = std::to_string(mSecond);
    EXPECT_EQ(hw->log("setVolume"), (Strings{"setVolume " + n + " ch1 0.370000005", "setVolume " + n + " ch2 0.370000005"}));
    hw->clearLog();
    unit->setVolume(37);
    EXPECT_TRUE(hw->log().empty()) << "the held value was written again";

    hw->notify(mSecond, 1, kAudioDevicePropertyVolumeScalar);
    QCoreApplication::processEvents();
    EXPECT_EQ(slider.value(), 37);
    EXPECT_EQ(text.text(), "37");

    hw->update(mSecond, [](Device &d) { d.volumeSettable = {true, false}; });
    hw->notify(mSecond, 2, kAudioDevicePropertyVolumeScalar);
    hw->clearLog();
    unit->setVolume(80);
    EXPECT_TRUE(hw->log().empty()) << "an unwritable device was written";
}

TEST_F(UnitTest, VolumeStateReadOnAnotherThreadReachesControlsOnTheMainThread)
{
    unit->setInputDeviceAtIndex(2);
    QCoreApplication::processEvents();
    ASSERT_EQ(text.text(), "25");
    hw->update(mSecond, [](Device &d) { d.volumes = {0.75f, 0.75f}; });
    std::thread notifier([this] { hw->notify(mSecond, kAudioPropertyWildcardChannel, kAudioDevicePropertyVolumeScalar); });
    notifier.join();
    EXPECT_EQ(text.text(), "25") << "a control was written off the main thread";
    QCoreApplication::processEvents();
    EXPECT_EQ(text.text(), "75");
    EXPECT_EQ(slider.value(), 75);
}

} // namespace
} // namespace quaverly
