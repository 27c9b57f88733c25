// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Settings.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace quaverly {
namespace {

class SettingsStore : public ::testing::Test {
protected:
    QString path() const { return mDir.filePath(QStringLiteral("Quaverly.conf")); }
    void writeRaw(const QByteArray &text)
    {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    SettingsValues read(std::uint64_t temperamentCount = 8)
    {
        QSettings store(path(), QSettings::IniFormat);
        return readSettings(store, temperamentCount);
    }
    QTemporaryDir mDir;
};

TEST_F(SettingsStore, FirstRunGivesDefaults)
{
    const SettingsValues v = read();
    EXPECT_EQ(v.referencePitch, 440.0f);
    EXPECT_EQ(v.tuning, 0);
    EXPECT_EQ(v.tonic, 0);
    EXPECT_EQ(v.transpose, 0);
    EXPECT_FALSE(v.disclosed.has_value());
    EXPECT_FALSE(v.inputDevice.has_value());
}

TEST_F(SettingsStore, RoundTripKeepsEveryChoice)
{
    SettingsValues saved;
    saved.referencePitch = 442.0f;
    saved.tuning = 2;
    saved.tonic = 2;
    saved.transpose = -2;
    saved.disclosed = false;
    saved.inputDevice = QStringLiteral("Acme, Inc. : USB Mic \"Blue\" = 1");
    {
        QSettings store(path(), QSettings::IniFormat);
        ASSERT_TRUE(writeSettings(store, saved));
    }
    const SettingsValues v = read();
    EXPECT_EQ(v.referencePitch, 442.0f);
    EXPECT_EQ(v.tuning, 2);
    EXPECT_EQ(v.tonic, 2);
    EXPECT_EQ(v.transpose, -2);
    EXPECT_EQ(v.disclosed, std::optional<bool>(false));
    EXPECT_EQ(v.inputDevice, saved.inputDevice);
}

TEST_F(SettingsStore, ClampedReferenceSurvivesExactly)
{
    SettingsValues saved;
    saved.referencePitch = 499.9f; // 499.899993896484375, not a short decimal
    {
        QSettings store(path(), QSettings::IniFormat);
        ASSERT_TRUE(writeSettings(store, saved));
    }
    EXPECT_EQ(read().referencePitch, 499.9f);
}

// Each row stores one value under one key, next to good values under the
// others; the bad key falls back and the good ones must still be read.
struct StoredValueCase {
    const char *name;
    const char *key;
    const char *text;
    std::uint64_t temperamentCount;
    double referencePitch;
    std::int64_t tuning;
    std::int64_t tonic;
    std::int64_t transpose;
    int disclosed; // -1 = nothing usable stored
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
    for (const auto &[key, value] : good) {
        text += key;
        text += '=';
        text += std::string(key) == c.key ? c.text : value;
        text += '\n';
    }
    writeRaw(text);
    const SettingsValues v = read(c.temperamentCount);
    EXPECT_EQ(v.referencePitch, static_cast<float>(c.referencePitch)) << c.name;
    EXPECT_EQ(v.tuning, c.tuning) << c.name;
    EXPECT_EQ(v.tonic, c.tonic) << c.name;
    EXPECT_EQ(v.transpose, c.transpose) << c.name;
    if (c.disclosed < 0)
        EXPECT_FALSE(v.disclosed.has_value()) << c.name;
    else
        EXPECT_EQ(v.disclosed, std::optional<bool>(c.disclosed == 1)) << c.name;
    EXPECT_EQ(v.inputDevice.value_or(QString()), std::string(c.key) == settings_keys::kInputDevice
                                                      ? QString()
                                                      : QStringLiteral("Dev : Mic"))
        << c.name;
}

const StoredValueCase kStoredValueCases[] = {
    {"pitch text", settings_keys::kReferencePitch, "abc", 8, 440, 1, 4, 3, 0},
    {"pitch nan", settings_keys::kReferencePitch, "nan", 8, 440, 1, 4, 3, 0},
    {"pitch inf", settings_keys::kReferencePitch, "inf", 8, 440, 1, 4, 3, 0},
    {"pitch zero", settings_keys::kReferencePitch, "0", 8, 440, 1, 4, 3, 0},
    {"pitch negative", settings_keys::kReferencePitch, "-440", 8, 440, 1, 4, 3, 0},
    {"pitch list", settings_keys::kReferencePitch, "440, 442", 8, 440, 1, 4, 3, 0},
    {"pitch out of field range kept", settings_keys::kReferencePitch, "300", 8, 300, 1, 4, 3, 0},
    {"pitch fraction", settings_keys::kReferencePitch, "415.3", 8, 415.3, 1, 4, 3, 0},
    {"tuning at count", settings_keys::kTuning, "3", 3, 441, 3, 4, 3, 0},
    {"tuning above count", settings_keys::kTuning, "4", 3, 441, 0, 4, 3, 0},
    {"tuning negative", settings_keys::kTuning, "-1", 3, 441, 0, 4, 3, 0},
    {"tuning no temperaments", settings_keys::kTuning, "1", 0, 441, 0, 4, 3, 0},
    {"tuning text", settings_keys::kTuning, "Werckmeister", 8, 441, 0, 4, 3, 0},
    {"tuning fraction", settings_keys::kTuning, "1.5", 8, 441, 0, 4, 3, 0},
    {"tuning huge", settings_keys::kTuning, "99999999999999999999999", 8, 441, 0, 4, 3, 0},
    {"tonic above range", settings_keys::kTonic, "12", 8, 441, 1, 11, 3, 0},
    {"tonic below range", settings_keys::kTonic, "-1", 8, 441, 1, 0, 3, 0},
    {"tonic text", settings_keys::kTonic, "D", 8, 441, 1, 0, 3, 0},
    {"transpose above range", settings_keys::kTranspose, "12", 8, 441, 1, 4, 11, 0},
    {"transpose below range", settings_keys::kTranspose, "-40", 8, 441, 1, 4, -11, 0},
    {"transpose list", settings_keys::kTranspose, "1, 2", 8, 441, 1, 4, 0, 0},
    {"disclosed text", settings_keys::kDisclosed, "maybe", 8, 441, 1, 4, 3, -1},
    {"disclosed number", settings_keys::kDisclosed, "7", 8, 441, 1, 4, 3, -1},
    {"disclosed true", settings_keys::kDisclosed, "true", 8, 441, 1, 4, 3, 1},
    {"device list", settings_keys::kInputDevice, "a, b", 8, 441, 1, 4, 3, 0},
    {"device binary variant", settings_keys::kInputDevice, "@ByteArray(xyz)", 8, 441, 1, 4, 3, 0},
};

INSTANTIATE_TEST_SUITE_P(Garbage, StoredValue, ::testing::ValuesIn(kStoredValueCases),
                         [](const auto &info) {
                             std::string n = info.param.name;
                             for (char &ch : n)
                                 if (!std::isalnum(static_cast<unsigned char>(ch)))
                                     ch = '_';
                             return n;
                         });

TEST_F(SettingsStore, BrokenFileKeepsItsGoodKeysAndIsRewritten)
{
    writeRaw("\x01\x02garbage without equals\n[General\nquillfen.TonicKey=7\n"
             "=novalue\n\xff\xfe\nquillfen.TransposeKey=-5\n");
    SettingsValues v = read();
    EXPECT_EQ(v.tonic, 7);
    EXPECT_EQ(v.transpose, -5);
    EXPECT_EQ(v.referencePitch, 440.0f);

    v.tonic = 3;
    v.inputDevice.reset();
    {
        QSettings store(path(), QSettings::IniFormat);
        EXPECT_TRUE(writeSettings(store, v)) << "a rewritten broken file is a successful save";
    }
    const SettingsValues again = read();
    EXPECT_EQ(again.tonic, 3);
    EXPECT_EQ(again.transpose, -5);
    QSettings store(path(), QSettings::IniFormat);
    EXPECT_FALSE(store.contains(QLatin1String(settings_keys::kInputDevice)));
}

TEST_F(SettingsStore, UnwritableStoreIsReportedNotClaimedSaved)
{
    const QString dirAsFile = mDir.filePath(QStringLiteral("blocked"));
    {
        QFile f(dirAsFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QSettings store(dirAsFile + QStringLiteral("/Quaverly.conf"), QSettings::IniFormat);
    EXPECT_FALSE(writeSettings(store, SettingsValues{}));
}

} // namespace
} // namespace quaverly
