// SPDX-License-Identifier: GPL-3.0-or-later
// The unit over what no real server makes on demand: data sources, odd
// channel layouts, partly settable volumes; and the frames cut from a stream.
#include "audio/AUInputUnit.h"
#include "audio/FrameAssembler.h"

#include "support/FakeAudioHardware.h"
#include "support/QtApp.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QSlider>

#include <gtest/gtest.h>

#include <numeric>

namespace quaverly {
namespace {

using test::FakeAudioHardware, test::kRowName;
using Device = FakeAudioHardware::Device;
using Sources = std::vector<FakeAudioHardware::DataSource>;
using Strings = std::vector<std::string>;

Device device(std::string name, Sources sources = {}, bool settable = true, bool input = true)
{
    return {.name = std::move(name), .manufacturer = "Acme", .hasInput = input,
        .dataSourceSettable = settable, .dataSources = std::move(sources), .volumeSettable = {true, true}, .volumes = {0.5f, 0.5f}};
}

struct Catalogue {
    const char *name;
    std::vector<Device> devices;
    Strings titles;
};

class CatalogueTest : public ::testing::TestWithParam<Catalogue> {};

TEST_P(CatalogueTest, ListsOneEntryPerDataSourceOrDevice)
{
    auto hw = std::make_shared<FakeAudioHardware>();
    for (const Device &d : GetParam().devices)
        hw->addDevice(d);
    AUInputUnit unit(hw);
    Strings titles;
    for (const auto &e : unit.audioInputSources())
        titles.push_back(e.name.toStdString());
    EXPECT_EQ(titles, GetParam().titles);
}

INSTANTIATE_TEST_SUITE_P(Devices, CatalogueTest, ::testing::Values(
    Catalogue{"SourcesWithoutTheDeviceName", {device("Built-in", {{1, "Front"}, {2, "Line"}})}, {"Acme : Front", "Acme : Line"}},
    Catalogue{"SettableWithNoSources", {device("USB", {}, true)}, {"Acme : USB"}},
    Catalogue{"SourcesNotSettable", {device("Box", {{7, "In 1"}}, false)}, {"Acme : Box"}},
    Catalogue{"NamelessSourceBorrowsNothing", {device("Dock", {{4, std::nullopt}})}, {"Acme : "}},
    Catalogue{"OutputOnlyLeftOutOrderKept", {device("Out", {}, true, false), device("B"), device("A")}, {"Acme : B", "Acme : A"}}),
    kRowName);

// Entries: two data sources (11, 12) of device 1, then device 2.
class UnitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        hw->addDevice(device("Built-in", {{11, "Mic"}, {12, "Line"}}));
        hw->addDevice(device("USB"));
        unit = std::make_unique<AUInputUnit>(hw);
        unit->setIOProc([](auto...) -> OSStatus { return 0; }, nullptr);
        unit->setupPopUpButton(&popUp);
        slider.setRange(0, 100);
        unit->setupVolumeSlider(&slider, &text);
    }

    bool mAppReady = (test::ensureQtApp(), true);
    std::shared_ptr<FakeAudioHardware> hw = std::make_shared<FakeAudioHardware>();
    std::unique_ptr<AUInputUnit> unit;
    QComboBox popUp;
    QSlider slider;
    QLineEdit text;
};

struct Choice {
    const char *name;
    QString title; // opened first, by name
    std::vector<qint64> indices;
    Strings calls; // restarts and data-source writes after the first choice
};

class ChoiceTest : public UnitTest, public ::testing::WithParamInterface<Choice> {};

TEST_P(ChoiceTest, RestartsOnlyWhatTheChoiceNeeds)
{
    unit->setInputDeviceWithName(GetParam().title);
    EXPECT_EQ(hw->device(1).currentDataSource, 11u) << "an unknown title opens the first entry";
    hw->clearLog();
    for (const qint64 index : GetParam().indices)
        unit->setInputDeviceAtIndex(index);
    EXPECT_EQ(hw->log(), GetParam().calls);
}

INSTANTIATE_TEST_SUITE_P(Indices, ChoiceTest, ::testing::Values(
    Choice{.name = "AnotherSourceOfTheOpenDevice", .title = "Acme : Mic", .indices = {1}, .calls = {"setDataSource 1 12"}},
    Choice{.name = "SameEntryAgainReopensIt", .title = "acme : line", .indices = {0}, .calls = {"stop 1", "start 1", "setDataSource 1 11"}},
    Choice{.name = "AnotherDevice", .title = QString(), .indices = {2}, .calls = {"stop 1", "start 2"}},
    Choice{.name = "NoSelectionOrOutOfRange", .title = "Acme : Mic", .indices = {-1, 3, -7}, .calls = {}}), kRowName);

struct Volume {
    const char *name;
    std::vector<std::uint32_t> streams;
    std::vector<bool> settable;
    float volume;
    bool enabled;
    QString shown;
};

class VolumeTest : public UnitTest, public ::testing::WithParamInterface<Volume> {};

TEST_P(VolumeTest, ControlsShowTheDeviceStateAsMixersDo)
{
    const Volume &v = GetParam();
    hw->update(2, [&](Device &d) {
        d.streamChannels = v.streams;
        d.volumeSettable = v.settable;
        d.volumes = {v.volume, v.volume, v.volume};
    });
    unit->setInputDeviceAtIndex(2);
    QCoreApplication::processEvents();
    EXPECT_EQ(slider.isEnabled(), v.enabled) ;
    EXPECT_EQ(text.text(), v.shown) ;
    EXPECT_EQ(slider.value(), v.enabled ? v.shown.toInt() : 100) ;
}

INSTANTIATE_TEST_SUITE_P(Devices, VolumeTest, ::testing::Values(
    Volume{.name = "Channel2Of2NotSettable", .streams = {2}, .settable = {true, false}, .volume = 0.5f, .enabled = false, .shown = "n/a"},
    Volume{.name = "NoChannels", .streams = {}, .settable = {}, .volume = 0.5f, .enabled = false, .shown = "n/a"},
    Volume{.name = "ThreeChannelsOverTwoStreams", .streams = {2, 1}, .settable = {true, true, true}, .volume = 0.004f,
           .enabled = true, .shown = "0"}), kRowName);

TEST_F(UnitTest, SetVolumeWritesEveryChannelOnlyWhenWritableAndChanged)
{
    unit->setInputDeviceAtIndex(2);
    for (const int percent : {37, 37})
        unit->setVolume(percent);
    EXPECT_EQ(hw->log("setVolume"), (Strings{"setVolume 2 ch1 0.370000005", "setVolume 2 ch2 0.370000005"}));
    hw->update(2, [](Device &d) { d.volumeSettable = {true, false}; });
    hw->notify(2, 2, kAudioDevicePropertyVolumeScalar);
    unit->setVolume(80);
    EXPECT_EQ(hw->log("setVolume").size(), 2u) << "an unwritable device was written";
}

// ---- Pieces of a stream into whole frames.

struct Pieces {
    const char *name;
    std::size_t frameBytes;
    std::vector<int> sizes; // -1: a hole, which drops the half-gathered frame
    std::size_t wholeFrames;
};

class FrameAssemblerTest : public ::testing::TestWithParam<Pieces> {};

TEST_P(FrameAssemblerTest, PiecesOfAnySizeComeOutAsWholeFramesInOrder)
{
    std::vector<std::uint8_t> input(4096), output, expected;
    std::iota(input.begin(), input.end(), std::uint8_t(1));
    FrameAssembler assembler;
    assembler.reset(GetParam().frameBytes);
    std::size_t offset = 0, partial = 0;
    for (const int size : GetParam().sizes) {
        if (size < 0) {
            assembler.dropPartial();
            expected.resize(expected.size() - partial);
            partial = 0;
            continue;
        }
        assembler.push(input.data() + offset, std::size_t(size), [&](const std::uint8_t *frames, std::size_t count) {
            output.insert(output.end(), frames, frames + count * GetParam().frameBytes);
        });
        expected.insert(expected.end(), input.begin() + long(offset), input.begin() + long(offset) + size);
        partial = (partial + std::size_t(size)) % std::max<std::size_t>(GetParam().frameBytes, 1);
        offset += std::size_t(size);
    }
    expected.resize(GetParam().wholeFrames * GetParam().frameBytes);
    EXPECT_EQ(output, expected);
}

INSTANTIATE_TEST_SUITE_P(Chunks, FrameAssemblerTest, ::testing::Values(
    Pieces{.name = "WholeFrames", .frameBytes = 8, .sizes = {800, 8, 16}, .wholeFrames = 103},
    Pieces{.name = "SplitFrames", .frameBytes = 8, .sizes = {3, 1, 5, 7, 950}, .wholeFrames = 120},
    Pieces{.name = "ByteByByte", .frameBytes = 8, .sizes = {1, 1, 1, 1, 1, 1, 1, 1, 1}, .wholeFrames = 1},
    Pieces{.name = "EmptyPieceAmongOthers", .frameBytes = 12, .sizes = {5, 0, 5, 5, 13}, .wholeFrames = 2},
    Pieces{.name = "LargeFrames", .frameBytes = 128, .sizes = {127, 2, 127, 200}, .wholeFrames = 3},
    Pieces{.name = "HoleDropsHalfAFrame", .frameBytes = 8, .sizes = {4, -1, 8}, .wholeFrames = 1},
    Pieces{.name = "NoFrameSize", .frameBytes = 0, .sizes = {512}, .wholeFrames = 0},
    Pieces{.name = "FrameTooLarge", .frameBytes = FrameAssembler::kMaxFrameBytes + 4, .sizes = {512}, .wholeFrames = 0}),
    kRowName);

} // namespace
} // namespace quaverly
