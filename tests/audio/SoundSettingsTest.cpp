// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/MicrophoneAccess.h"
#include "audio/SoundPreferences.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace quaverly {
namespace {

class ScriptedAccess final : public MicrophoneAccess {
public:
    ScriptedAccess(bool available, MicrophoneAuthorization status)
        : mAvailable(available)
        , mStatus(status)
    {
    }
    bool isAvailable() const override { return mAvailable; }
    MicrophoneAuthorization authorizationStatus() const override
    {
        ++statusQueries;
        return mStatus;
    }
    void requestAccess(std::function<void(bool)> handler) override
    {
        ++requests;
        handler(false);
    }

    mutable int statusQueries = 0;
    int requests = 0;

private:
    bool mAvailable;
    MicrophoneAuthorization mStatus;
};

struct MicCase {
    bool available;
    MicrophoneAuthorization status;
    int statusQueries;
    int requests;
};

class CheckMicTest : public ::testing::TestWithParam<MicCase> {};

TEST_P(CheckMicTest, AsksOnlyWhileUndecided)
{
    ScriptedAccess access(GetParam().available, GetParam().status);
    checkMic(access);
    EXPECT_EQ(access.statusQueries, GetParam().statusQueries);
    EXPECT_EQ(access.requests, GetParam().requests);
}

INSTANTIATE_TEST_SUITE_P(Statuses, CheckMicTest,
    ::testing::Values(MicCase{true, MicrophoneAuthorization::NotDetermined, 1, 1},
        MicCase{true, MicrophoneAuthorization::Restricted, 1, 0},
        MicCase{true, MicrophoneAuthorization::Denied, 1, 0},
        MicCase{true, MicrophoneAuthorization::Authorized, 1, 0},
        MicCase{false, MicrophoneAuthorization::NotDetermined, 0, 0}));

TEST(CheckMicTest, PlatformHasNothingToAsk)
{
    auto access = MicrophoneAccess::platform();
    EXPECT_EQ(access->authorizationStatus(), MicrophoneAuthorization::Authorized);
    checkMic(*access);
}

// PATH is pointed at a folder of stand-in mixers that write their
// arguments to a file, so no real mixer is started.
class SoundPreferencesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(mDir.isValid());
        mOldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
        setenv("PATH", QFile::encodeName(mDir.path()).constData(), 1);
    }
    void TearDown() override { setenv("PATH", mOldPath.c_str(), 1); }

    void addMixer(const QString &name)
    {
        QFile script(mDir.filePath(name));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\necho \"%1 $*\" > '%2'\n").arg(name, outputPath()).toUtf8());
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QString outputPath() const { return mDir.filePath("started"); }

    // The mixer is started detached; wait (bounded) for its trace.
    QString started() const
    {
        QFile out(outputPath());
        for (int i = 0; i < 500 && (!out.exists() || out.size() == 0); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!out.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(out.readAll()).trimmed();
    }

    QTemporaryDir mDir;
    std::string mOldPath;
};

TEST_F(SoundPreferencesTest, OpensTheFirstMixerFoundAtItsInputPage)
{
    addMixer("pavucontrol-qt");
    addMixer("gnome-control-center");
    EXPECT_TRUE(openSoundPreferences());
    EXPECT_EQ(started(), "pavucontrol-qt --tab=4");
}

TEST_F(SoundPreferencesTest, PrefersPavucontrol)
{
    addMixer("gnome-control-center");
    addMixer("pavucontrol");
    EXPECT_TRUE(openSoundPreferences());
    EXPECT_EQ(started(), "pavucontrol --tab=4");
}

TEST_F(SoundPreferencesTest, NoMixerDoesNothing)
{
    EXPECT_FALSE(openSoundPreferences());
    EXPECT_FALSE(QFile::exists(outputPath()));
}

} // namespace
} // namespace quaverly
