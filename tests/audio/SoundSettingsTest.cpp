// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/MicrophoneAccess.h"
#include "audio/SoundPreferences.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace quaverly {
namespace {

struct ScriptedAccess final : MicrophoneAccess {
    bool available;
    MicrophoneAuthorization status;
    int requests = 0;
    ScriptedAccess(bool a, MicrophoneAuthorization s) : available(a), status(s) {}
    bool isAvailable() const override { return available; }
    MicrophoneAuthorization authorizationStatus() const override { return status; }
    void requestAccess(std::function<void(bool)> handler) override 
    {
        ++requests;
        handler(false);
    }
};

struct MicCase {
    bool available;
    MicrophoneAuthorization status;
    int requests;
};

class CheckMicTest : public ::testing::TestWithParam<MicCase> {};

TEST_P(CheckMicTest, AsksOnlyWhileUndecided)
{
    ScriptedAccess access(GetParam().available, GetParam().status);
    checkMic(access);
    EXPECT_EQ(access.requests, GetParam().requests);
}

INSTANTIATE_TEST_SUITE_P(Statuses, CheckMicTest,
    ::testing::Values(MicCase{true, MicrophoneAuthorization::NotDetermined, 1},
        MicCase{true, MicrophoneAuthorization::Denied, 0}, MicCase{true, MicrophoneAuthorization::Authorized, 0},
        MicCase{false, MicrophoneAuthorization::NotDetermined, 0}));

TEST(CheckMicTest, PlatformHasNothingToAsk)
{
    EXPECT_EQ(MicrophoneAccess::platform()->authorizationStatus(), MicrophoneAuthorization::Authorized);
}

struct Mixers {
    QStringList installed;
    QString started; // empty: nothing may start
};

// PATH holds only stand-in mixers that write their arguments to a file.
class SoundPreferencesTest : public ::testing::TestWithParam<Mixers> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(mDir.isValid());
        mOldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
        setenv("PATH", QFile::encodeName(mDir.path()).constData(), 1);
    }
    void TearDown() override { setenv("PATH", mOldPath.c_str(), 1); }

    QTemporaryDir mDir;
    std::string mOldPath;
};

TEST_P(SoundPreferencesTest, OpensTheFirstMixerFoundAtItsInputPage)
{
    const QString trace = mDir.filePath("started");
    for (const QString &name : GetParam().installed) {
        QFile script(mDir.filePath(name));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\necho \"%1 $*\" > '%2'\n").arg(name, trace).toUtf8());
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    EXPECT_EQ(openSoundPreferences(), !GetParam().started.isEmpty());
    if (GetParam().started.isEmpty()) {
        EXPECT_FALSE(QFile::exists(trace));
        return;
    }
    // Started detached: wait (bounded) for its trace.
    QFile out(trace);
    for (int i = 0; i < 500 && out.size() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(out.readAll()).trimmed(), GetParam().started);
}

INSTANTIATE_TEST_SUITE_P(Path, SoundPreferencesTest,
    ::testing::Values(Mixers{{"pavucontrol-qt", "gnome-control-center"}, "pavucontrol-qt --tab=4"},
        Mixers{{"gnome-control-center", "pavucontrol"}, "pavucontrol --tab=4"}, Mixers{{}, {}}));

} // namespace
} // namespace quaverly
