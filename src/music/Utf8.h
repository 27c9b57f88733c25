// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quaverly {

// UTF-16 code units (an even number of bytes) as UTF-8; an unpaired
// surrogate becomes U+FFFD rather than failing the whole text.
[[nodiscard]] std::string utf16ToUtf8(std::string_view bytes, bool littleEndian);

// The offset of the first byte that does not start a valid UTF-8 sequence
// (overlong forms and surrogates count as invalid), or nullopt for valid text.
[[nodiscard]] std::optional<std::size_t> invalidUtf8Offset(std::string_view text);

// UTF-8 text as code points; a byte that starts no valid sequence stands
// for itself.
[[nodiscard]] std::u32string utf8ToUtf32(std::string_view text);

// At most `limit` bytes of UTF-8 text, cut before a partial sequence.
inline std::string_view utf8Prefix(std::string_view text, std::size_t limit)
{
    if (text.size() <= limit)
        return text;
    while (limit > 0 && (static_cast<unsigned char>(text[limit]) & 0xC0) == 0x80)
        --limit;
    return text.substr(0, limit);
}

// A name as a message shows it: quoted and cut short.
inline std::string shownName(std::string_view text)
{
    constexpr std::size_t kShown = 40;
    return "\"" + std::string(utf8Prefix(text, kShown)) + (text.size() > kShown ? "…\"" : "\"");
}

} // namespace quaverly
