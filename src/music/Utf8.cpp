// SPDX-License-Identifier: GPL-3.0-or-later
#include "Utf8.h"

#include <algorithm>
#include <cerrno>
#include <memory>

#include <iconv.h>

namespace quaverly {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

struct IconvClose {
    void operator()(void* handle) const { iconv_close(static_cast<iconv_t>(handle)); }
};
using Converter = std::unique_ptr<void, IconvClose>;

Converter open(const char* to, const char* from)
{
    const iconv_t handle = iconv_open(to, from);
    return Converter(handle == reinterpret_cast<iconv_t>(-1) ? nullptr : handle);
}

// Converts as much as it can, appending to `out` when given; returns the
// offset where it stopped, with the reason in `error` (0 when all of it was).
std::size_t convert(void* handle, std::string_view in, std::string* out, int& error)
{
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    error = 0;
    while (inLeft > 0) {
        char buffer[4096];
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t done = iconv(static_cast<iconv_t>(handle), &inPtr, &inLeft, &outPtr, &outLeft);
        if (out)
            out->append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (done == static_cast<std::size_t>(-1) && errno != E2BIG) {
            error = errno;
            break;
        }
    }
    return in.size() - inLeft;
}

} // namespace

std::string utf16ToUtf8(std::string_view bytes, bool littleEndian)
{
    std::string out;
    if (bytes.empty())
        return out;
    out.reserve(bytes.size() / 2 + bytes.size() / 8);
    const Converter converter = open("UTF-8", littleEndian ? "UTF-16LE" : "UTF-16BE");
    if (!converter)
        return out;
    while (!bytes.empty()) {
        int error = 0;
        const std::size_t done = convert(converter.get(), bytes, &out, error);
        bytes.remove_prefix(done);
        if (error == 0)
            break;
        // A lone surrogate: replace its one code unit and go on after it.
        out += kReplacement;
        bytes.remove_prefix(std::min<std::size_t>(2, bytes.size()));
    }
    return out;
}

std::u32string utf8ToUtf32(std::string_view text)
{
    std::u32string out;
    if (text.empty())
        return out;
    const Converter converter = open("UTF-32LE", "UTF-8");
    while (converter && !text.empty()) {
        std::string units;
        int error = 0;
        text.remove_prefix(convert(converter.get(), text, &units, error));
        for (std::size_t i = 0; i + 3 < units.size(); i += 4) {
            const auto byte = [&](std::size_t k) {
                return static_cast<char32_t>(static_cast<unsigned char>(units[i + k]));
            };
            out += byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
        }
        if (error == 0)
            break;
        out += static_cast<char32_t>(static_cast<unsigned char>(text.front()));
        text.remove_prefix(1);
    }
    return out;
}

std::optional<std::size_t> invalidUtf8Offset(std::string_view text)
{
    const Converter converter = open("UTF-32LE", "UTF-8");
    if (!converter)
        return 0;
    int error = 0;
    const std::size_t done = convert(converter.get(), text, nullptr, error);
    if (error != 0)
        return done;
    return std::nullopt;
}

} // namespace quaverly
