// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Settings.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

namespace quaverly {
namespace {

// Reference|tuning|tonic|transpose|disclosed|device, "-" for nothing usable stored.
std::string describe(const SettingsValues &v)
{
    return QStringLiteral("%1|%2|%3|%4|%5|%6")
        .arg(double(v.referencePitch), 0, 'g', 6).arg(v.tuning).arg(v.tonic).arg(v.transpose)
        .arg(QLatin1String(v.disclosed ? (*v.disclosed ? "true" : "false") : "-"), v.inputDevice.value_or("-"))
        .toStdString();
}

// One bad value under one key beside good ones: that key falls back, the others are read.
struct StoredValueCase {
    const char *key, *text;
    std::uint64_t temperamentCount;
    const char *expected;
};
class StoredValue : public ::testing::TestWithParam<StoredValueCase> {};
using namespace settings_keys;

TEST_P(StoredValue, FallsBackForThatKeyOnly)
{
    const StoredValueCase &c = GetParam();
    QByteArray text = "[General]\n";
    for (const auto &[key, value] : {std::pair{kReferencePitch, "441"}, {kTuning, "1"}, {kTonic, "4"}, {kTranspose, "3"},
                                     {kDisclosed, "false"}, {kInputDevice, "Dev : Mic"}})
        text += QByteArray(key) + '=' + (std::string(key) == c.key ? c.text : value) + '\n';
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("Quaverly.conf")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
    file.close();
    QSettings store(file.fileName(), QSettings::IniFormat);
    EXPECT_EQ(describe(readSettings(store, c.temperamentCount)), c.expected) << c.key << " = " << c.text;
}

INSTANTIATE_TEST_SUITE_P(Garbage, StoredValue, ::testing::Values(
    StoredValueCase{kReferencePitch, "abc", 8, "440|1|4|3|false|Dev : Mic"},
    StoredValueCase{kReferencePitch, "inf", 8, "440|1|4|3|false|Dev : Mic"},
    StoredValueCase{kReferencePitch, "0", 8, "440|1|4|3|false|Dev : Mic"},
    StoredValueCase{kReferencePitch, "440, 442", 8, "440|1|4|3|false|Dev : Mic"},
    StoredValueCase{kReferencePitch, "415.3", 8, "415.3|1|4|3|false|Dev : Mic"},
    StoredValueCase{kTuning, "3", 3, "441|3|4|3|false|Dev : Mic"},
    StoredValueCase{kTuning, "4", 3, "441|0|4|3|false|Dev : Mic"},
    StoredValueCase{kTuning, "1.5", 8, "441|0|4|3|false|Dev : Mic"},
    StoredValueCase{kTonic, "12", 8, "441|1|11|3|false|Dev : Mic"},
    StoredValueCase{kTranspose, "-40", 8, "441|1|4|-11|false|Dev : Mic"},
    StoredValueCase{kTranspose, "1, 2", 8, "441|1|4|0|false|Dev : Mic"},
    StoredValueCase{kDisclosed, "maybe", 8, "441|1|4|3|-|Dev : Mic"},
    StoredValueCase{kInputDevice, "a, b", 8, "441|1|4|3|false|-"},
    StoredValueCase{kInputDevice, "@ByteArray(xyz)", 8, "441|1|4|3|false|-"}));

TEST(SettingsStore, UnwritableStoreIsReportedNotClaimedSaved)
{
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("blocked")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    QSettings store(blocker.fileName() + QStringLiteral("/Quaverly.conf"), QSettings::IniFormat);
    EXPECT_FALSE(writeSettings(store, SettingsValues{}));
}

} // namespace
} // namespace quaverly
