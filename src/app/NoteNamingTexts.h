// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "music/NoteNaming.h"

#include <QString>

#include <array>
#include <span>

namespace quaverly {

// The window's texts that name notes, in the user's language and the
// chosen naming. Main thread (they read the installed translators).

// The transposition menu's item for −11 … +11, e.g. "−2 (B♭: clarinet,
// trumpet, soprano sax)", "+3 (Mi♭: clarinette en Mi♭, trompette en Mi♭)".
[[nodiscard]] QString transposeMenuItem(int transpose, NoteNaming naming);

// The named lines of a temperament's tool tip, below its "cents = (…)": each
// degree named with its deviation from equal temperament in cents, A as zero.
[[nodiscard]] QString temperamentToolTip(std::span<const float, 12> row, NoteNaming naming);

// The texts of the settings area that name a note: the reference pitch's
// caption ("A4 reference"), its field's tool tip, its stepper's accessible
// name, and the tool tip of the transposition's text ("The note a written C
// sounds"), and the Tuner menu's "Set A4 from Played Note".
struct NamedSettingsTexts {
    QString referenceCaption;
    QString referenceToolTip;
    QString stepperName;
    QString transposeToolTip;
    QString referenceFromNoteAction;
};
[[nodiscard]] NamedSettingsTexts namedSettingsTexts(NoteNaming naming);

} // namespace quaverly
