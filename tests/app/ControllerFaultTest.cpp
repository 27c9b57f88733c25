// SPDX-License-Identifier: GPL-3.0-or-later
// Everyday desktop faults replayed against the whole application on a
// private PulseAudio and PipeWire: the captured device re-plugged, the sound
// server restarted. Once the input is gone the window must not claim a
// reading; once it is back it follows the sound again by itself, on the
// choice it started with.
#include "PulseControllerFixture.h"

#include <QComboBox>

namespace quaverly::test {
namespace {

enum class Fault { Replug, ServerRestart };

class ControllerFault : public PulseControllerFixture,
                        public ::testing::WithParamInterface<std::tuple<PulseServer::Kind, Fault>> {};

TEST_P(ControllerFault, WindowShowsNoInputWhileGoneAndFollowsTheSoundWhenBack)
{
    const auto [kind, fault] = GetParam();
    startController(kind);
    auto *input = mController->window()->findChild<QComboBox *>(QStringLiteral("mInputDevicePopUpButton"));
    const QString chosen = input->currentText();
    mServer->playTone(446.0, 3.0);
    ASSERT_TRUE(serveUntil([&] { return reading() == "A4 +23"; })) << reading();

    if (fault == Fault::Replug)
        ASSERT_TRUE(mServer->unloadSink());
    else
        mServer->stop();
    EXPECT_TRUE(serveUntil([&] { return text("mCentText") == "no input" && text("mNoteText") == "–"; }))
        << "a reading is still claimed: " << reading();

    if (fault == Fault::Replug)
        ASSERT_TRUE(mServer->loadSink());
    else
        ASSERT_TRUE(mServer->start()) << mServer->error();
    mServer->playTone(415.0, 4.0);
    EXPECT_TRUE(serveUntil([&] { return reading().starts_with("G♯4"); })) << "after the return: " << reading();
    EXPECT_EQ(input->currentText(), chosen) << "the choice was moved";
}

INSTANTIATE_TEST_SUITE_P(Desktops, ControllerFault,
    ::testing::Combine(::testing::Values(PulseServer::Kind::PulseAudio, PulseServer::Kind::PipeWire),
        ::testing::Values(Fault::Replug, Fault::ServerRestart)),
    [](const auto &info) {
        return std::string(kindName(std::get<0>(info.param)))
            + (std::get<1>(info.param) == Fault::Replug ? "Replug" : "ServerRestart");
    });

} // namespace
} // namespace quaverly::test
