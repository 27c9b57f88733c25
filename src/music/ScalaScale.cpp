// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScalaScale.h"

#include "music/FloatValue.h"
#include "music/Utf8.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <string>

namespace quaverly {
namespace {

constexpr std::size_t kNotes = 12;
constexpr double kOctaveToleranceCents = 0.5;

struct Pitch {
    double cents = 0.0;
    double ratio = 1.0;
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The first word of a line; the rest is a label or a comment.
std::string_view firstWord(std::string_view line)
{
    line = trimmed(line);
    std::size_t end = 0;
    while (end < line.size() && !isBlank(line[end]))
        ++end;
    return line.substr(0, end);
}

std::string quoted(std::string_view word)
{
    return shownName(word);
}

// Whole decimal digits with an optional sign; nothing when there are none
// or the value exceeds 10^18.
std::optional<long long> wholeNumber(std::string_view text)
{
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 18)
        return std::nullopt;
    long long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

// [+-]digits.digits, at least one digit; no exponent (Scala has none).
std::optional<double> centsNumber(std::string_view text)
{
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    double value = 0.0;
    double scale = 1.0;
    bool point = false;
    bool digits = false;
    for (const char c : text) {
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            digits = true;
            if (point)
                value += (scale /= 10.0) * (c - '0');
            else
                value = value * 10.0 + (c - '0');
        } else {
            return std::nullopt;
        }
    }
    if (!digits || !std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

// One pitch word, or the reason it is none.
std::optional<Pitch> pitchOf(std::string_view word, std::string &reason)
{
    const std::string badNumber =
        quoted(word) + " is not a pitch (cents with a '.', a ratio p/q or a whole number)";
    if (word.find('.') != std::string_view::npos) {
        const auto cents = centsNumber(word);
        if (!cents || std::fabs(*cents) > 1.0e5) {
            reason = cents ? quoted(word) + " cents is out of range" : badNumber;
            return std::nullopt;
        }
        return Pitch{*cents, std::exp2(*cents / 1200.0)};
    }
    const std::size_t slash = word.find('/');
    const auto p = wholeNumber(word.substr(0, slash));
    const auto q = slash == std::string_view::npos ? std::optional<long long>(1) : wholeNumber(word.substr(slash + 1));
    if (!p || !q) {
        reason = badNumber;
        return std::nullopt;
    }
    if (*p <= 0 || *q <= 0) {
        reason = "the ratio " + quoted(word) + " is not positive";
        return std::nullopt;
    }
    const double ratio = double(*p) / double(*q);
    return Pitch{1200.0 * std::log2(ratio), ratio};
}

// The description as UTF-8: Latin-1 when it is not UTF-8 already.
std::string nameText(std::string_view bytes)
{
    if (!invalidUtf8Offset(bytes))
        return std::string(bytes);
    std::string text;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            text += c;
        } else {
            text += char(0xC0 | (b >> 6));
            text += char(0x80 | (b & 0x3F));
        }
    }
    return text;
}

std::optional<std::uint32_t> controlCharacter(std::string_view name)
{
    for (const char32_t c : utf8ToUtf32(name))
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
            return std::uint32_t(c);
    return std::nullopt;
}

ScalaReading refused(std::size_t line, std::string reason)
{
    return {std::nullopt, {line, std::move(reason)}};
}

} // namespace

std::string ScalaError::description() const
{
    return line == 0 ? reason : "line " + std::to_string(line) + ": " + reason;
}

ScalaReading readScalaScale(std::string_view bytes, std::string_view fallbackName)
{
    if (bytes.size() > kMaxScalaFileBytes)
        return refused(0, "the file is larger than 1 MiB (" + std::to_string(bytes.size()) + " bytes)");
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);

    ScalaScale scale;
    scale.ratios[0] = 1.0f;
    enum class Expect { Description, Count, Pitch } expect = Expect::Description;
    std::size_t pitches = 0;
    std::size_t lineNumber = 0;
    std::size_t at = 0;
    while (at < bytes.size() && pitches < kNotes) {
        const std::size_t end = std::min(bytes.find('\n', at), bytes.size());
        std::string_view line = bytes.substr(at, end - at);
        at = end + 1;
        ++lineNumber;
        if (line.size() > kMaxScalaLineBytes)
            return refused(lineNumber, "the line is longer than 4 KiB (" + std::to_string(line.size()) + " bytes)");
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty() && line.front() == '!')
            continue;

        if (expect == Expect::Description) {
            scale.name = nameText(trimmed(line));
            if (const auto c = controlCharacter(scale.name)) {
                char code[16];
                std::snprintf(code, sizeof code, "U+%04X", unsigned(*c));
                return refused(lineNumber, std::string("the description holds a control character (") + code + ")");
            }
            if (scale.name.empty())
                scale.name = std::string(fallbackName);
            expect = Expect::Count;
            continue;
        }
        const std::string_view word = firstWord(line);
        if (word.empty()) {
            return refused(lineNumber, expect == Expect::Count ? "the number of notes is missing"
                                                               : "pitch " + std::to_string(pitches + 1) + " is missing");
        }
        if (expect == Expect::Count) {
            const auto count = wholeNumber(word);
            if (!count || *count < 0)
                return refused(lineNumber, quoted(word) + " is not a number of notes");
            if (*count != static_cast<long long>(kNotes))
                return refused(lineNumber, "a scale of " + std::to_string(*count)
                                               + " notes; only twelve-note scales can be temperaments");
            expect = Expect::Pitch;
            continue;
        }
        std::string reason;
        const auto pitch = pitchOf(word, reason);
        if (!pitch)
            return refused(lineNumber, reason);
        ++pitches;
        if (pitches < kNotes) {
            scale.ratios[pitches] = narrowToFloat(pitch->ratio);
            continue;
        }
        if (!(std::fabs(pitch->cents - 1200.0) <= kOctaveToleranceCents)) {
            return refused(lineNumber, formatC("the twelfth pitch is %.3f cents, not an octave (1200 within 0.5 cent)",
                                               pitch->cents));
        }
    }
    if (expect == Expect::Description)
        return refused(lineNumber + 1, "the description line is missing");
    if (expect == Expect::Count)
        return refused(lineNumber + 1, "the line with the number of notes is missing");
    if (pitches < kNotes) {
        return refused(lineNumber + 1, "the file ends after " + std::to_string(pitches)
                                           + " of the 12 pitches it announces");
    }
    return {std::move(scale), {}};
}

} // namespace quaverly
