// SPDX-License-Identifier: GPL-3.0-or-later
// The real Controller on the real PulseAudio backend, against a private
// server: a tone played into its null sink is captured from the monitor.
#include "PulseControllerFixture.h"

#include "widgets/AutoResizeImageView.h"
#include "widgets/ResizeWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <functional>
#include <sys/wait.h>
#include <thread>

namespace quaverly::test {
namespace {

using PulseController = PulseControllerFixture;

TEST_F(PulseController, ToneShowsItsNoteWithinASecondOfAudio)
{
    QUAVERLY_START_PULSE_SERVER(mServer);
    startController();
    ASSERT_GT(mController->window()->findChild<QComboBox *>(QStringLiteral("mInputDevicePopUpButton"))->count(), 0);
    ASSERT_EQ(mController->sampleRate(), 48000.0f);
    // Capture runs before the tone: silence blocks arrive.
    ASSERT_TRUE(serveUntil([&] { return mController->blockCount() > 3; })) << "no capture blocks";

    QElapsedTimer sinceTone;
    mServer.playTone(446.0, 4.0);
    sinceTone.start();
    std::uint64_t arrival = 0;
    const bool shown = serveUntil([&] {
        if (arrival == 0 && text("mLevelText") != QLatin1String("-96dB"))
            arrival = mController->blockCount();
        return text("mNoteText") == QLatin1String("A") && text("mOctaveText") == QLatin1String("4") &&
               text("mCentText") == QLatin1String("+23");
    });
    const qint64 delayMs = sinceTone.elapsed();
    ASSERT_TRUE(shown) << (text("mNoteText") + text("mOctaveText") + ' ' + text("mCentText")).toStdString();
    ASSERT_NE(arrival, 0u) << "the level meter never moved";
    // One second of audio is 13.75 blocks.
    EXPECT_LE(mController->blockCount() - arrival, 14u) << "blocks from the tone's arrival to its note";
    const auto *lowest = mController->window()->findChild<AutoResizeImageView *>(QStringLiteral("mLevel0"));
    EXPECT_FALSE(lowest->image().name().startsWith(QLatin1String("gray"))) << "level meter dark";
    std::printf("tone start to A4 +23 shown: %lld ms\n", static_cast<long long>(delayMs));
    RecordProperty("delay_ms", static_cast<int>(delayMs));
}

TEST_F(PulseController, ChoosingAnotherSourceAdoptsItsRate)
{
    QUAVERLY_START_PULSE_SERVER(mServer);
    ASSERT_EQ(mServer.run({"pactl", "load-module", "module-null-sink", "sink_name=other", "rate=44100",
                              "sink_properties=device.description=Other"}), 0);
    startController();
    auto *input = mController->window()->findChild<QComboBox *>(QStringLiteral("mInputDevicePopUpButton"));
    ASSERT_GE(input->count(), 2);
    const float first = mController->sampleRate();
    const int other = input->currentIndex() == 0 ? 1 : 0;
    EXPECT_EQ(input->itemText(other).contains(QLatin1String("Other")), first == 48000.0f)
        << input->itemText(other).toStdString();
    input->setCurrentIndex(other);
    emit input->activated(other);
    EXPECT_EQ(mController->sampleRate(), first == 48000.0f ? 44100.0f : 48000.0f);
    // Capture goes on from the new source at its rate.
    const std::uint64_t before = mController->blockCount();
    EXPECT_TRUE(serveUntil([&] { return mController->blockCount() > before + 3; }));
}

TEST_F(PulseController, TerminationSignalSavesTheSettingsAndExitsCleanly)
{
    QUAVERLY_START_PULSE_SERVER(mServer);
    const pid_t app = mServer.spawn({QUAVERLY_APP_PATH});
    ASSERT_GT(app, 0);
    // Running means recording: the server then lists the app's stream.
    const auto poll = [](const std::function<bool()> &done) {
        for (int i = 0; i < 200; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(50)))
            if (done())
                return true;
        return false;
    };
    ASSERT_TRUE(poll([&] {
        std::string outputs;
        mServer.run({"pactl", "list", "source-outputs"}, &outputs);
        return outputs.find("application.name = \"Quaverly\"") != std::string::npos;
    })) << "the application never started capture";
    ASSERT_EQ(::kill(app, SIGTERM), 0);
    int status = -1;
    ASSERT_TRUE(poll([&] { return ::waitpid(app, &status, WNOHANG) == app; }))
        << "the application did not end on SIGTERM";
    EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);

    QSettings stored(QString::fromStdString(mServer.directory() + "/home/.config/quillfen/Quaverly.conf"),
                     QSettings::IniFormat);
    EXPECT_EQ(stored.value(QStringLiteral("quillfen.ReferencePitchKey")).toDouble(), 440.0);
    EXPECT_TRUE(stored.value(QStringLiteral("quillfen.InputDeviceKey")).toString().contains(QLatin1String(" : ")));
    EXPECT_EQ(stored.value(QStringLiteral("quillfen.DisclosedKey")).toString(), QLatin1String("true"));
}

} // namespace
} // namespace quaverly::test
