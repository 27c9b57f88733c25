// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "music/LogSink.h"

#include <string>
#include <string_view>
#include <vector>

namespace quaverly::test {

struct LogLines {
    std::vector<std::string> lines;
    LogSink sink()
    {
        return [this](std::string_view line) { lines.emplace_back(line); };
    }
};

enum class Encoding { Utf16LeBom, Utf16BeBom, Utf16Le, Utf16Be, Utf8, Utf8Bom };

// UTF-8 text as resource bytes in the given encoding.
inline std::string encode(std::string_view utf8, Encoding encoding)
{
    if (encoding == Encoding::Utf8 || encoding == Encoding::Utf8Bom)
        return (encoding == Encoding::Utf8Bom ? "\xEF\xBB\xBF" : "") + std::string(utf8);
    std::u16string units;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
        char32_t cp = length == 1 ? c : c & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += length;
        if (cp >= 0x10000)
            units += {static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)), static_cast<char16_t>(0xDC00 + (cp & 0x3FF))};
        else
            units += static_cast<char16_t>(cp);
    }
    const bool little = encoding == Encoding::Utf16LeBom || encoding == Encoding::Utf16Le;
    std::string bytes = encoding == Encoding::Utf16LeBom ? "\xFF\xFE" : encoding == Encoding::Utf16BeBom ? "\xFE\xFF" : "";
    bytes.reserve(bytes.size() + 2 * units.size());
    for (const char16_t unit : units) {
        bytes.push_back(static_cast<char>(little ? unit & 0xFF : unit >> 8));
        bytes.push_back(static_cast<char>(little ? unit >> 8 : unit & 0xFF));
    }
    return bytes;
}

inline const std::string kPythagoreanValues = "1.0, 1.067871094, 1.125, 1.185185185, 1.265625, 1.333333333, "
                                              "1.423828125, 1.5, 1.601806641, 1.6875, 1.777777778, 1.8984375";
inline const std::string kPythagoreanToolTip =
    "cents = (-5.865, 7.820, -1.955, -11.730, 1.955, -7.820, 5.865, -3.910, 9.775, 0.000, -9.775, 3.910)";
inline const std::string kZeros = "0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0";

} // namespace quaverly::test
