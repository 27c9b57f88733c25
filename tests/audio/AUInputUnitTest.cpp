// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/AUInputUnit.h"

#include "support/FakeAudioHardware.h"
#include "support/QtApp.h"

#include <QComboBox>
#include <QCoreApplication>
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
using Sources = std::vector<FakeAudioHardware::DataSource>;

Device inputDevice(std::string name, std::string manufacturer = "Acme",
    std::optional<Sources> sources = std::nullopt, bool settable = true)
{
    Device d;
    d.name = std::move(name);
    d.manufacturer = std::move(manufacturer);
    d.streamChannels = {1};
    d.volumeSettable = {true};
    d.volumes = {0.5f};
    d.dataSourceSettable = sources && settable;
    d.dataSources = sources.value_or(Sources{});
    return d;
}

Device outputOnly(Device d)
{
    d.hasInput = false;
    return d;
}

const auto caseName = [](const auto &info) {
    std::string name = info.param.what;
    for (char &c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
};

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

INSTANTIATE_TEST_SUITE_P(Devices, CatalogueTest,
    ::testing::Values(
        Titles{"three data sources", {inputDevice("Built-in", "Acme", Sources{{1, "Front"}, {2, "Line"}, {3, "Rear"}})},
            {"Acme : Front", "Acme : Line", "Acme : Rear"}},
        Titles{"settable with an empty list", {inputDevice("USB Mic", "Acme", Sources{})}, {"Acme : USB Mic"}},
        Titles{"unsettable lists sources", {inputDevice("Box", "Acme", Sources{{7, "In 1"}, {8, "In 2"}}, false)},
            {"Acme : Box"}},
        Titles{"nameless source borrows nothing", {inputDevice("Dock", "Acme", Sources{{4, std::nullopt}})}, {"Acme : "}},
        Titles{"output-only left out, layer order kept",
            {outputOnly(inputDevice("Speakers")), inputDevice("B", "Zed"), inputDevice("A", "Yak", Sources{{2, "x"}, {1, "y"}})},
            {"Zed : B", "Yak : x", "Yak : y"}}),
    caseName);

TEST(EmptyCatalogueTest, StartStopAndSelectionTouchNoHardware)
{
    test::ensureQtApp();
    auto hw = std::make_shared<FakeAudioHardware>();
    hw->addDevice(outputOnly(inputDevice("Speakers")));
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

// Three entries: two data sources of device 1, then a two-channel device 2.
class UnitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        hw->addDevice(inputDevice("Built-in", "Acme", Sources{{11, "Mic"}, {12, "Line"}}));
        Device second = inputDevice("USB", "Other");
        second.sampleRate = 48000.0;
        second.streamChannels = {2};
        second.volumeSettable = {true, true};
        second.volumes = {0.25f, 0.25f};
        ASSERT_EQ(hw->addDevice(second), kUsb);
        unit = std::make_unique<AUInputUnit>(hw);
        unit->setIOProc(&UnitTest::ioProc, this);
        unit->setListenerProc(&UnitTest::clientListener, this);
        unit->setupPopUpButton(&popUp);
        slider.setRange(0, 100);
        unit->setupVolumeSlider(&slider, &text);
        hw->clearLog();
    }

    static OSStatus ioProc(AudioDeviceID, const AudioTimeStamp *, const AudioBufferList *, const AudioTimeStamp *,
        AudioBufferList *, const AudioTimeStamp *, void *clientData)
    {
        ++static_cast<UnitTest *>(clientData)->cycles;
        return 0;
    }

    // Records what the client sees: the unit's own refresh must be done by then.
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
    static constexpr AudioDeviceID kUsb = 2; // ids count from 1: the expected calls name it "2"
    QComboBox popUp;
    QSlider slider;
    QLineEdit text;
    std::unique_ptr<AUInputUnit> unit;
    int cycles = 0;
    Strings heard, before;
    std::vector<double> ratesSeen;
};

TEST_F(UnitTest, PopUpIsFilledOnlyForANewButton)
{
    ASSERT_EQ(popUp.count(), 3);
    popUp.addItem("added by hand");
    unit->setupPopUpButton(&popUp);
    EXPECT_EQ(popUp.count(), 4) << "the same button was emptied and filled again";
}

struct Selection {
    const char *what;
    qint64 from, to; // from -1: nothing open yet
    Strings calls;   // "addListener 1 *": the seven registrations, in order
    double rate;
};

class SelectionTest : public UnitTest, public ::testing::WithParamInterface<Selection> {};

TEST_P(SelectionTest, MakesTheseHardwareCallsInThisOrder)
{
    const Selection &c = GetParam();
    unit->setInputDeviceAtIndex(c.from);
    hw->clearLog();
    unit->setInputDeviceAtIndex(c.to);
    Strings expected;
    for (const std::string &call : c.calls) {
        if (!call.ends_with('*'))
            expected.push_back(call);
        else
            for (const char *l : {"ch0 livn", "ch0 slay", "ch0 sfmt", "ch0 ssrc", "ch0 diff", "ch* volm", "ch* vdb#"})
                expected.push_back(call.substr(0, call.size() - 1) + l);
    }
    EXPECT_EQ(hw->log(), expected);
    EXPECT_EQ(unit->sampleRate(), c.rate);
    if (c.from < 0 && c.rate == 0.0) {
        EXPECT_EQ(unit->inputDevice(), kAudioDeviceUnknown);
    }
}

INSTANTIATE_TEST_SUITE_P(Indices, SelectionTest,
    ::testing::Values(
        Selection{"first reads then starts then sets the source", -1, 1,
            {"streamFormat 1", "streamConfiguration 1", "isVolumeSettable 1 ch1", "volumeScalar 1 ch1", "addIOProc 1",
                "addListener 1 *", "start 1", "setDataSource 1 12"}, 44100},
        Selection{"switch stops the old device before reading the new", 0, 2,
            {"stop 1", "removeListener 1 *", "removeIOProc 1", "streamFormat 2", "streamConfiguration 2",
                "isVolumeSettable 2 ch1", "isVolumeSettable 2 ch2", "volumeScalar 2 ch1", "addIOProc 2",
                "addListener 2 *", "start 2"}, 48000},
        Selection{"another source of the open device only sets it", 0, 1, {"setDataSource 1 12"}, 44100},
        Selection{"index -1", -1, -1, {}, 0}, Selection{"index past the end", -1, 3, {}, 0},
        Selection{"negative index while open", 0, -7, {}, 44100}),
    caseName);

class SelectByNameTest : public UnitTest, public ::testing::WithParamInterface<std::pair<QString, int>> {};

TEST_P(SelectByNameTest, SelectsTheTitleOrFallsBackToTheFirstEntry)
{
    const auto &[title, index] = GetParam();
    unit->setInputDeviceWithName(title);
    EXPECT_EQ(popUp.currentIndex(), index);
    const auto &entry = unit->audioInputSources()[std::size_t(index)];
    EXPECT_EQ(unit->inputDevice(), entry.deviceID);
    if (entry.dataSource) {
        EXPECT_EQ(hw->device(entry.deviceID).currentDataSource, *entry.dataSource);
    }
}

INSTANTIATE_TEST_SUITE_P(Titles, SelectByNameTest,
    ::testing::Values(std::pair{QString("Other : USB"), 2}, std::pair{QString("Acme : Line"), 1},
        std::pair{QString(), 0}, std::pair{QString("Gone : Device"), 0}, std::pair{QString("acme : line"), 0}));

TEST_F(UnitTest, StopThenStartRegistersEverythingAgainWithoutRereading)
{
    unit->setInputDeviceAtIndex(2);
    unit->stop();
    EXPECT_EQ(hw->listenerCount(kUsb), 0u);
    hw->clearLog();
    unit->start();
    EXPECT_EQ(hw->log("stream"), Strings{});
    EXPECT_EQ(hw->listenerCount(kUsb), 7u);
    hw->runIOCycle(kUsb, *makeAudioBufferList(1), 1.0);
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
    const auto &[selector, channel, reads] = GetParam();
    unit->setInputDeviceAtIndex(2);
    hw->clearLog();
    hw->notify(kUsb, channel, selector);
    EXPECT_EQ(heard, Strings{FakeAudioHardware::selectorName(selector) + " 2 ch" + std::to_string(channel) + " in"});
    EXPECT_EQ(before, reads);
    const AudioDeviceListenerParams params{kUsb, channel, true, selector};
    EXPECT_EQ(unit->listenerProc(&params), 42) << "the client's status was not returned";
}

const Strings kVolumeReads{"isVolumeSettable 2 ch1", "isVolumeSettable 2 ch2", "volumeScalar 2 ch1"};

INSTANTIATE_TEST_SUITE_P(Selectors, ListenerDispatchTest,
    ::testing::Values(Dispatch{kAudioDevicePropertyStreamConfiguration, 0, {"streamConfiguration 2"}},
        Dispatch{kAudioDevicePropertyStreamFormat, 0, {"streamFormat 2"}},
        Dispatch{kAudioDevicePropertyDataSource, 0, kVolumeReads},
        Dispatch{kAudioDevicePropertyVolumeScalar, 2, kVolumeReads},
        Dispatch{kAudioDevicePropertyDeviceHasChanged, 0, kVolumeReads},
        Dispatch{kAudioDevicePropertyDeviceIsAlive, 0, {}},
        Dispatch{kAudioDevicePropertyVolumeRangeDecibels, 1, {}}));

TEST_F(UnitTest, RateChangeIsSeenOnceByAClientThatComparesRates)
{
    unit->setInputDeviceAtIndex(2);
    hw->update(kUsb, [](Device &d) { d.sampleRate = 96000.0; });
    hw->notify(kUsb, 0, kAudioDevicePropertyStreamFormat);
    hw->notify(kUsb, 0, kAudioDevicePropertyStreamFormat);
    hw->notify(kUsb, 1, kAudioDevicePropertyVolumeScalar);
    EXPECT_EQ(ratesSeen, (std::vector<double>{96000.0, 96000.0, 96000.0}));
}

TEST_F(UnitTest, FailedFormatReadKeepsTheCachedFormat)
{
    unit->setInputDeviceAtIndex(2);
    hw->update(kUsb, [](Device &d) { d.hasInput = false; });
    hw->notify(kUsb, 0, kAudioDevicePropertyStreamFormat);
    EXPECT_EQ(unit->sampleRate(), 48000.0);
}

TEST_F(UnitTest, BigEndianFlagMakesTheStreamForeign)
{
    hw->update(kUsb, [](Device &d) { d.formatFlags |= kAudioFormatFlagIsBigEndian; });
    unit->setInputDeviceAtIndex(2);
    EXPECT_FALSE(unit->isNativeEndian());
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
    std::uint32_t channels;
};

class VolumeStateTest : public UnitTest, public ::testing::WithParamInterface<VolumeCase> {};

TEST_P(VolumeStateTest, ControlsShowTheDeviceState)
{
    const VolumeCase &c = GetParam();
    hw->update(kUsb, [&](Device &d) {
        d.streamChannels = c.streams;
        d.volumeSettable = c.settable;
        d.volumes = c.volumes;
    });
    unit->setInputDeviceAtIndex(2);
    EXPECT_EQ(text.text(), "") << "controls were written before the queued refresh";
    QCoreApplication::processEvents();
    EXPECT_EQ(slider.isEnabled(), c.enabled);
    EXPECT_EQ(slider.value(), c.sliderValue);
    EXPECT_EQ(text.text(), c.text);
    EXPECT_EQ(hw->log("isVolumeSettable").size(), c.settableQueries);
    EXPECT_EQ(unit->channels(), c.channels);
}

INSTANTIATE_TEST_SUITE_P(Devices, VolumeStateTest,
    ::testing::Values(VolumeCase{"one settable channel at half", {1}, {true}, {0.5f}, true, 50, "50", 1, 1},
        VolumeCase{"only channel 1 of 2 settable", {2}, {true, false}, {0.5f, 0.5f}, false, 100, "n/a", 2, 2},
        VolumeCase{"channel 1 unsettable stops the queries", {2}, {false, true}, {0.5f, 0.5f}, false, 100, "n/a", 1, 2},
        VolumeCase{"no channels, no queries", {}, {}, {}, false, 100, "n/a", 0, 0},
        VolumeCase{"just below 0.37 truncates", {1}, {true}, {std::nextafter(0.37f, 0.0f)}, true, 36, "36", 1, 1},
        VolumeCase{"streams summed, all settable", {2, 0, 1}, {true, true, true}, {0.0f, 0.9f, 0.9f}, true, 0, "0", 3, 3}),
    caseName);

TEST_F(UnitTest, SetVolumeWritesEveryChannelOnlyWhenWritableAndChanged)
{
    unit->setInputDeviceAtIndex(2);
    hw->clearLog();
    unit->setVolume(37);
    EXPECT_EQ(hw->log("setVolume"), (Strings{"setVolume 2 ch1 0.370000005", "setVolume 2 ch2 0.370000005"}));
    hw->clearLog();
    unit->setVolume(37);
    EXPECT_TRUE(hw->log().empty()) << "the held value was written again";

    hw->update(kUsb, [](Device &d) { d.volumeSettable = {true, false}; });
    hw->notify(kUsb, 2, kAudioDevicePropertyVolumeScalar);
    hw->clearLog();
    unit->setVolume(80);
    EXPECT_TRUE(hw->log().empty()) << "an unwritable device was written";
}

TEST_F(UnitTest, VolumeStateReadOnAnotherThreadReachesControlsOnTheMainThread)
{
    unit->setInputDeviceAtIndex(2);
    QCoreApplication::processEvents();
    ASSERT_EQ(text.text(), "25");
    hw->update(kUsb, [](Device &d) { d.volumes = {0.75f, 0.75f}; });
    std::thread([this] { hw->notify(kUsb, kAudioPropertyWildcardChannel, kAudioDevicePropertyVolumeScalar); }).join();
    EXPECT_EQ(text.text(), "25") << "a control was written off the main thread";
    QCoreApplication::processEvents();
    EXPECT_EQ(text.text(), "75");
    EXPECT_EQ(slider.value(), 75);
}

} // namespace
} // namespace quaverly
