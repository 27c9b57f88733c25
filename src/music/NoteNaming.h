// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quaverly {

// How a musician names the twelve pitch classes. English letters are the
// default; German names B natural "H" and B♭ "B"; fixed-do solfège names C
// "Do" whatever the key.
enum class NoteNaming { English, German, Solfege };

// A pitch class as the big readout sets it: the name proper and its sign
// ("♯", "♭" or "", UTF-8).
struct PitchClassName {
    std::string_view stem;
    std::string_view accidental;
};

// semitone 0 = C … 11 = B; other values are taken modulo 12.
[[nodiscard]] PitchClassName pitchClassName(int semitone, NoteNaming naming);
// Stem and accidental together, e.g. "Si♭".
[[nodiscard]] std::string pitchClassText(int semitone, NoteNaming naming);
// The pitch class spelt with a flat where it has one (C♯ reads D♭): the
// transposition menu names an upward step that way.
[[nodiscard]] std::string flatSpelling(int semitone, NoteNaming naming);
// Both spellings of a black key, "F♯/G♭", or the one name of a white key.
[[nodiscard]] std::string enharmonicText(int semitone, NoteNaming naming);
// The tonic menu's ASCII names: "C#/Db" (English, as the menu always read),
// "A#/B" (German), "Do#/Reb" (solfège).
[[nodiscard]] std::string_view asciiNoteName(int semitone, NoteNaming naming);

// "english", "german", "solfege": the settings' and the analyzer's words.
[[nodiscard]] std::string_view noteNamingKey(NoteNaming naming);
[[nodiscard]] std::optional<NoteNaming> noteNamingFromKey(std::string_view key);

} // namespace quaverly
