// SPDX-License-Identifier: GPL-3.0-or-later
#include "DescribeSettings.h"
#include "app/Settings.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

namespace quaverly {
namespace {

using test::describe;

class SettingsStore : public ::testing::Test {
protected:
    QString path() const { return mDir.filePath(QStringLiteral("Quaverly.conf")); }
    void writeRaw(const QByteArray &text)
    {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    bool write(const SettingsValues &values)
    {
        QSettings store(path(), QSettings::IniFormat);
        return writeSettings(store, values);
    }
    SettingsValues read(std::uint64_t temperamentCount = 8)
    {
        QSettings store(path(), QSettings::IniFormat);
        return readSettings(store, temperamentCount);
    }
    QTemporaryDir mDir;
};

TEST_F(SettingsStore, FirstRunGivesDefaultsAndEveryChoiceSurvivesARoundTrip)
{
    EXPECT_EQ(describe(read()), "440|0|0|0|-|-");
    SettingsValues saved{442.0f, 2, 2, -2, false, QStringLiteral("Acme, Inc. : USB Mic \"Blue\" = 1")};
    ASSERT_TRUE(write(saved));
    EXPECT_EQ(describe(read()), "442|2|2|-2|false|Acme, Inc. : USB Mic \"Blue\" = 1");
    saved.referencePitch = 499.9f; // 499.899993896484375, not a short decimal
    ASSERT_TRUE(write(saved));
    EXPECT_EQ(read().referencePitch, 499.9f);
}

// Each row stores one value under one key, next to good values under the others; the bad
// key falls back and the good ones must still be read.
struct StoredValueCase {
    const char *name;
    const char *key;
    const char *text;
    std::uint64_t temperamentCount;
    const char *expected;
};
class StoredValue : public SettingsStore, public ::testing::WithParamInterface<StoredValueCase> {};

TEST_P(StoredValue, FallsBackForThatKeyOnly)
{
    const StoredValueCase &c = GetParam();
    QByteArray text = "[General]\n";
    const std::pair<const char *, const char *> good[] = {
        {settings_keys::kReferencePitch, "441"}, {settings_keys::kTuning, "1"},
        {settings_keys::kTonic, "4"},            {settings_keys::kTranspose, "3"},
        {settings_keys::kDisclosed, "false"},    {settings_keys::kInputDevice, "Dev : Mic"},
    };
    for (const auto &[key, value] : good)
        text += QByteArray(key) + '=' + (std::string(key) == c.key ? c.text : value) + '\n';
    writeRaw(text);
    EXPECT_EQ(describe(read(c.temperamentCount)), c.expected);
}

using namespace settings_keys;
const StoredValueCase kStoredValueCases[] = {
    {"pitch text", kReferencePitch, "abc", 8, "440|1|4|3|false|Dev : Mic"},
    {"pitch nan", kReferencePitch, "nan", 8, "440|1|4|3|false|Dev : Mic"},
    {"pitch inf", kReferencePitch, "inf", 8, "440|1|4|3|false|Dev : Mic"},
    {"pitch zero", kReferencePitch, "0", 8, "440|1|4|3|false|Dev : Mic"},
    {"pitch negative", kReferencePitch, "-440", 8, "440|1|4|3|false|Dev : Mic"},
    {"pitch list", kReferencePitch, "440, 442", 8, "440|1|4|3|false|Dev : Mic"},
    {"pitch out of field range kept", kReferencePitch, "300", 8, "300|1|4|3|false|Dev : Mic"},
    {"pitch fraction", kReferencePitch, "415.3", 8, "415.3|1|4|3|false|Dev : Mic"},
    {"tuning at count", kTuning, "3", 3, "441|3|4|3|false|Dev : Mic"},
    {"tuning above count", kTuning, "4", 3, "441|0|4|3|false|Dev : Mic"},
    {"tuning negative", kTuning, "-1", 3, "441|0|4|3|false|Dev : Mic"},
    {"tuning no temperaments", kTuning, "1", 0, "441|0|4|3|false|Dev : Mic"},
    {"tuning text", kTuning, "Werckmeister", 8, "441|0|4|3|false|Dev : Mic"},
    {"tuning fraction", kTuning, "1.5", 8, "441|0|4|3|false|Dev : Mic"},
    {"tuning huge", kTuning, "99999999999999999999999", 8, "441|0|4|3|false|Dev : Mic"},
    {"tonic above range", kTonic, "12", 8, "441|1|11|3|false|Dev : Mic"},
    {"tonic below range", kTonic, "-1", 8, "441|1|0|3|false|Dev : Mic"},
    {"tonic text", kTonic, "D", 8, "441|1|0|3|false|Dev : Mic"},
    {"transpose above range", kTranspose, "12", 8, "441|1|4|11|false|Dev : Mic"},
    {"transpose below range", kTranspose, "-40", 8, "441|1|4|-11|false|Dev : Mic"},
    {"transpose list", kTranspose, "1, 2", 8, "441|1|4|0|false|Dev : Mic"},
    {"disclosed text", kDisclosed, "maybe", 8, "441|1|4|3|-|Dev : Mic"},
    {"disclosed number", kDisclosed, "7", 8, "441|1|4|3|-|Dev : Mic"},
    {"disclosed true", kDisclosed, "true", 8, "441|1|4|3|true|Dev : Mic"},
    {"device list", kInputDevice, "a, b", 8, "441|1|4|3|false|-"},
    {"device binary variant", kInputDevice, "@ByteArray(xyz)", 8, "441|1|4|3|false|-"},
};

INSTANTIATE_TEST_SUITE_P(Garbage, StoredValue, ::testing::ValuesIn(kStoredValueCases), [](const auto &info) {
    std::string n = info.param.name;
    std::replace(n.begin(), n.end(), ' ', '_');
    return n;
});

TEST_F(SettingsStore, BrokenFileKeepsItsGoodKeysAndIsRewritten)
{
    writeRaw("\x01\x02garbage without equals\n[General\nquillfen.TonicKey=7\n"
             "=novalue\n\xff\xfe\nquillfen.TransposeKey=-5\n");
    SettingsValues v = read();
    EXPECT_EQ(describe(v), "440|0|7|-5|-|-");
    v.tonic = 3;
    EXPECT_TRUE(write(v)) << "a rewritten broken file is a successful save";
    EXPECT_EQ(describe(read()), "440|0|3|-5|true|-");
}

TEST_F(SettingsStore, UnwritableStoreIsReportedNotClaimedSaved)
{
    QFile blocker(mDir.filePath(QStringLiteral("blocked")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    QSettings store(blocker.fileName() + QStringLiteral("/Quaverly.conf"), QSettings::IniFormat);
    EXPECT_FALSE(writeSettings(store, SettingsValues{}));
}

} // namespace
} // namespace quaverly
