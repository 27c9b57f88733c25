// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/SoundPreferences.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>

namespace quaverly {
namespace {

struct Mixers {
    QStringList installed;
    QString started; // empty: nothing may start
};

class SoundPreferencesTest : public ::testing::TestWithParam<Mixers> {};

// PATH holds only stand-in mixers that write their arguments to a file.
TEST_P(SoundPreferencesTest, OpensTheFirstMixerFoundAtItsInputPage)
{
    QTemporaryDir dir;
    const QString trace = dir.filePath("started");
    for (const QString &name : GetParam().installed) {
        QFile script(dir.filePath(name));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\necho \"%1 $*\" > '%2'\n").arg(name, trace).toUtf8());
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(dir.path()));
    const bool started = openSoundPreferences();
    qputenv("PATH", path);
    EXPECT_EQ(started, !GetParam().started.isEmpty());
    QFile out(trace);
    for (int i = 0; i < 500 && started && out.size() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    out.open(QIODevice::ReadOnly);
    EXPECT_EQ(QString::fromUtf8(out.readAll()).trimmed(), GetParam().started);
}

INSTANTIATE_TEST_SUITE_P(Path, SoundPreferencesTest,
    ::testing::Values(Mixers{{"pavucontrol-qt", "gnome-control-center"}, "pavucontrol-qt --tab=4"},
        Mixers{{"gnome-control-center", "pavucontrol"}, "pavucontrol --tab=4"}, Mixers{{}, {}}));

} // namespace
} // namespace quaverly
