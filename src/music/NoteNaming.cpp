// SPDX-License-Identifier: GPL-3.0-or-later
#include "NoteNaming.h"

#include <array>
#include <cstddef>

namespace quaverly {
namespace {

constexpr std::string_view kSharp = "\u266F";
constexpr std::string_view kFlat = "\u266D";

struct NamingTable {
    std::string_view key;
    // Indexed by semitone above C: the sounding names the readout shows.
    std::array<PitchClassName, 12> names;
    // The names of the white keys, C D E F G A B, for other spellings.
    std::array<std::string_view, 7> naturals;
    // Where B♭ has a name of its own (German "B") it is used unsigned.
    std::string_view bFlat;
    std::array<std::string_view, 12> ascii;
};

constexpr std::array<NamingTable, 3> kTables = {{
    {"english",
     {{{"C", ""}, {"C", kSharp}, {"D", ""}, {"E", kFlat}, {"E", ""}, {"F", ""},
       {"F", kSharp}, {"G", ""}, {"G", kSharp}, {"A", ""}, {"B", kFlat}, {"B", ""}}},
     {"C", "D", "E", "F", "G", "A", "B"},
     "",
     {"C", "C#/Db", "D", "D#/Eb", "E", "F", "F#/Gb", "G", "G#/Ab", "A", "A#/Bb", "B"}},
    {"german",
     {{{"C", ""}, {"C", kSharp}, {"D", ""}, {"E", kFlat}, {"E", ""}, {"F", ""},
       {"F", kSharp}, {"G", ""}, {"G", kSharp}, {"A", ""}, {"B", ""}, {"H", ""}}},
     {"C", "D", "E", "F", "G", "A", "H"},
     "B",
     {"C", "C#/Db", "D", "D#/Eb", "E", "F", "F#/Gb", "G", "G#/Ab", "A", "A#/B", "H"}},
    {"solfege",
     {{{"Do", ""}, {"Do", kSharp}, {"Re", ""}, {"Mi", kFlat}, {"Mi", ""}, {"Fa", ""},
       {"Fa", kSharp}, {"Sol", ""}, {"Sol", kSharp}, {"La", ""}, {"Si", kFlat}, {"Si", ""}}},
     {"Do", "Re", "Mi", "Fa", "Sol", "La", "Si"},
     "",
     {"Do", "Do#/Reb", "Re", "Re#/Mib", "Mi", "Fa", "Fa#/Solb", "Sol", "Sol#/Lab", "La", "La#/Sib", "Si"}},
}};

// The white key above each black key, for its flat spelling.
constexpr std::array<std::size_t, 12> kNaturalAbove = {0, 1, 0, 2, 0, 0, 4, 0, 5, 0, 6, 0};

const NamingTable &table(NoteNaming naming)
{
    const auto i = static_cast<std::size_t>(naming);
    return kTables[i < kTables.size() ? i : 0];
}

std::size_t wrap(int semitone)
{
    return static_cast<std::size_t>(((semitone % 12) + 12) % 12);
}

bool isBlackKey(std::size_t s)
{
    return kNaturalAbove[s] != 0;
}

} // namespace

PitchClassName pitchClassName(int semitone, NoteNaming naming)
{
    return table(naming).names[wrap(semitone)];
}

std::string pitchClassText(int semitone, NoteNaming naming)
{
    const PitchClassName name = pitchClassName(semitone, naming);
    return std::string(name.stem) + std::string(name.accidental);
}

std::string flatSpelling(int semitone, NoteNaming naming)
{
    const std::size_t s = wrap(semitone);
    if (!isBlackKey(s))
        return pitchClassText(semitone, naming);
    const NamingTable &t = table(naming);
    if (s == 10 && !t.bFlat.empty())
        return std::string(t.bFlat);
    return std::string(t.naturals[kNaturalAbove[s]]) + std::string(kFlat);
}

std::string enharmonicText(int semitone, NoteNaming naming)
{
    const std::size_t s = wrap(semitone);
    if (!isBlackKey(s))
        return pitchClassText(semitone, naming);
    const NamingTable &t = table(naming);
    const std::string sharp = std::string(t.naturals[kNaturalAbove[s] - 1]) + std::string(kSharp);
    return sharp + "/" + flatSpelling(semitone, naming);
}

std::string_view asciiNoteName(int semitone, NoteNaming naming)
{
    return table(naming).ascii[wrap(semitone)];
}

std::string_view noteNamingKey(NoteNaming naming)
{
    return table(naming).key;
}

std::optional<NoteNaming> noteNamingFromKey(std::string_view key)
{
    for (std::size_t i = 0; i < kTables.size(); ++i) {
        if (kTables[i].key == key)
            return static_cast<NoteNaming>(i);
    }
    return std::nullopt;
}

} // namespace quaverly
