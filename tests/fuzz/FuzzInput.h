// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

namespace quaverly::fuzz {

// A broken invariant ends the run where the fuzzer (or the replay) sees it.
inline void check(bool condition)
{
    if (!condition)
        std::abort();
}

// Hands out the fuzzer's bytes as values; past the end it gives zeros.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t *data, std::size_t size) : mBytes(data, size) {}

    bool empty() const { return mBytes.empty(); }

    template <typename T> T take()
    {
        T value{};
        std::memcpy(&value, bytes(sizeof(T)).data(), std::min(sizeof(T), mLast));
        return value;
    }

    std::span<const std::uint8_t> bytes(std::size_t count)
    {
        mLast = std::min(count, mBytes.size());
        const auto out = mBytes.first(mLast);
        mBytes = mBytes.subspan(mLast);
        return out;
    }

private:
    std::span<const std::uint8_t> mBytes;
    std::size_t mLast = 0;
};

} // namespace quaverly::fuzz
