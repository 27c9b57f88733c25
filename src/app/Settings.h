// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tuner/Tuner.h"

#include <QString>

#include <cstdint>
#include <optional>

class QSettings;

namespace quaverly {

// The seven choices kept between runs, read once at start-up and written once at
// termination. Main thread only. A value that is missing, unreadable or of the
// wrong type yields that key's default; the other keys are unaffected.
struct SettingsValues {
    float referencePitch = 440.0f;
    std::int64_t tuning = 0;
    std::int64_t tonic = 0;
    std::int64_t transpose = 0;
    // Empty when nothing usable is stored: the caller decides the default.
    std::optional<bool> disclosed;
    std::optional<QString> inputDevice;
    // Files from before the choice existed have no key: classic.
    Detection detection = Detection::Classic;
    // The name of the chosen imported temperament: its row's index moves
    // when others are imported or removed. Empty for a shipped row or equal
    // temperament (older files never have it).
    std::optional<QString> tuningName;
};

namespace settings_keys {
inline constexpr char kReferencePitch[] = "quillfen.ReferencePitchKey";
inline constexpr char kTuning[] = "quillfen.TuningKey";
inline constexpr char kTonic[] = "quillfen.TonicKey";
inline constexpr char kTranspose[] = "quillfen.TransposeKey";
inline constexpr char kDisclosed[] = "quillfen.DisclosedKey";
inline constexpr char kInputDevice[] = "quillfen.InputDeviceKey";
inline constexpr char kDetection[] = "quillfen.DetectionKey";
inline constexpr char kTuningName[] = "quillfen.TuningNameKey";
} // namespace settings_keys

// Reads the store. `temperamentCount` bounds the tuning: a tuning outside
// 0 … temperamentCount becomes 0. A tonic outside 0 … 11 and a transposition
// outside −11 … +11 are clamped into range. A reference pitch that is not a
// positive finite number becomes 440. A detection other than "classic" or
// "precise" (any case) is classic. A file that does not parse is
// reported with one line on stderr.
[[nodiscard]] SettingsValues readSettings(QSettings &store, std::uint64_t temperamentCount);

// Writes every key in the fixed order (reference pitch, disclosure, tuning,
// tuning name, tonic, transposition, input device, detection; the device and
// name keys are removed when empty) and flushes the store. Returns false, after one
// line on stderr, when the store could not be written.
bool writeSettings(QSettings &store, const SettingsValues &values);

} // namespace quaverly
