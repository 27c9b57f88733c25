// SPDX-License-Identifier: GPL-3.0-or-later
#include "Settings.h"

#include <QSettings>
#include <QVariant>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <utility>

namespace quaverly {
namespace {

// QSettings hands back strings from text formats and typed values from
// others; anything else (lists, byte arrays, maps) is the wrong type.
bool isNumeric(const QVariant &v)
{
    static constexpr std::array kNumeric{QMetaType::Int, QMetaType::UInt, QMetaType::LongLong,
                                         QMetaType::ULongLong, QMetaType::Double, QMetaType::Float};
    return std::ranges::find(kNumeric, QMetaType::Type(v.typeId())) != kNumeric.end();
}

std::optional<double> readDouble(const QSettings &store, const char *key)
{
    const QVariant v = store.value(QLatin1String(key));
    bool ok = false;
    double d = 0.0;
    if (isNumeric(v))
        d = v.toDouble(&ok);
    else if (v.typeId() == QMetaType::QString)
        d = v.toString().trimmed().toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return d;
}

std::optional<std::int64_t> readInteger(const QSettings &store, const char *key)
{
    const QVariant v = store.value(QLatin1String(key));
    bool ok = false;
    qlonglong n = 0;
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float) {
        const double d = v.toDouble();
        // Only whole numbers that fit; 2.5 or 1e300 are not an index.
        if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 9.0e15) {
            n = static_cast<qlonglong>(d);
            ok = true;
        }
    } else if (isNumeric(v)) {
        n = v.toLongLong(&ok);
    } else if (v.typeId() == QMetaType::QString) {
        n = v.toString().trimmed().toLongLong(&ok);
    }
    if (!ok)
        return std::nullopt;
    return n;
}

std::optional<bool> readBool(const QSettings &store, const char *key)
{
    const QVariant v = store.value(QLatin1String(key));
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    if (isNumeric(v)) {
        const qlonglong n = v.toLongLong();
        if (n == 0 || n == 1)
            return n == 1;
        return std::nullopt;
    }
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed().toLower();
        if (s == QLatin1String("true") || s == QLatin1String("1"))
            return true;
        if (s == QLatin1String("false") || s == QLatin1String("0"))
            return false;
    }
    return std::nullopt;
}

// Stored by name, not by number, so a reordered or extended enum cannot
// turn an old file's choice into another method.
constexpr std::array<std::pair<Detection, const char *>, 2> kDetectionNames{{
    {Detection::Classic, "classic"},
    {Detection::Precise, "precise"},
}};

Detection readDetection(const QSettings &store, const char *key)
{
    const QVariant v = store.value(QLatin1String(key));
    if (v.typeId() != QMetaType::QString)
        return Detection::Classic;
    const QString name = v.toString().trimmed();
    for (const auto &[detection, text] : kDetectionNames)
        if (name.compare(QLatin1String(text), Qt::CaseInsensitive) == 0)
            return detection;
    return Detection::Classic;
}

QString detectionName(Detection detection)
{
    for (const auto &[d, text] : kDetectionNames)
        if (d == detection)
            return QLatin1String(text);
    return QLatin1String(kDetectionNames.front().second);
}

} // namespace

SettingsValues readSettings(QSettings &store, std::uint64_t temperamentCount)
{
    using namespace settings_keys;
    SettingsValues values;

    // A zero, negative or non-finite reference would make every resolution
    // meaningless, so it counts as garbage; any other stored value is used
    // unchanged, even outside the limits of the text field.
    if (const auto pitch = readDouble(store, kReferencePitch)) {
        const float f = static_cast<float>(*pitch);
        if (std::isfinite(f) && f > 0.0f)
            values.referencePitch = f;
    }

    if (const auto tuning = readInteger(store, kTuning)) {
        if (*tuning >= 0 && static_cast<std::uint64_t>(*tuning) <= temperamentCount)
            values.tuning = *tuning;
    }
    if (const auto tonic = readInteger(store, kTonic))
        values.tonic = std::clamp<std::int64_t>(*tonic, 0, 11);
    if (const auto transpose = readInteger(store, kTranspose))
        values.transpose = std::clamp<std::int64_t>(*transpose, -11, 11);

    values.disclosed = readBool(store, kDisclosed);

    const QVariant tuningName = store.value(QLatin1String(kTuningName));
    if (tuningName.typeId() == QMetaType::QString && !tuningName.toString().isEmpty())
        values.tuningName = tuningName.toString();

    const QVariant device = store.value(QLatin1String(kInputDevice));
    if (device.typeId() == QMetaType::QString)
        values.inputDevice = device.toString();
    values.detection = readDetection(store, kDetection);

    if (store.status() == QSettings::FormatError) {
        std::fprintf(stderr, "Quaverly: the settings file %s is damaged; what could not be read is back at its default\n",
                     qPrintable(store.fileName()));
    }
    return values;
}

bool writeSettings(QSettings &store, const SettingsValues &values)
{
    using namespace settings_keys;
    // Widened to double so that text formats store a readable number that
    // narrows back to the very same float.
    store.setValue(QLatin1String(kReferencePitch), static_cast<double>(values.referencePitch));
    store.setValue(QLatin1String(kDisclosed), values.disclosed.value_or(true));
    store.setValue(QLatin1String(kTuning), static_cast<qlonglong>(values.tuning));
    if (values.tuningName)
        store.setValue(QLatin1String(kTuningName), *values.tuningName);
    else
        store.remove(QLatin1String(kTuningName));
    store.setValue(QLatin1String(kTonic), static_cast<qlonglong>(values.tonic));
    store.setValue(QLatin1String(kTranspose), static_cast<qlonglong>(values.transpose));
    if (values.inputDevice)
        store.setValue(QLatin1String(kInputDevice), *values.inputDevice);
    else
        store.remove(QLatin1String(kInputDevice));
    store.setValue(QLatin1String(kDetection), detectionName(values.detection));
    store.sync();
    // A file that did not parse cleanly is still rewritten whole, so only an
    // access error means the choices were not kept.
    if (store.status() == QSettings::AccessError) {
        std::fprintf(stderr, "Quaverly: could not save the settings to %s\n",
                     qPrintable(store.fileName()));
        return false;
    }
    return true;
}

} // namespace quaverly
