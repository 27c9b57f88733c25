// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace quaverly::fuzz {

// Hands out the fuzzer's bytes as values; past the end it gives zeros, so a
// harness never has to check what is left before asking.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t *data, std::size_t size)
        : mData(data)
        , mSize(size)
    {
    }

    [[nodiscard]] bool empty() const { return mOffset >= mSize; }

    template <typename T>
    T take()
    {
        T value{};
        std::size_t n = sizeof(T);
        if (mOffset + n > mSize)
            n = mSize - mOffset;
        std::memcpy(&value, mData + mOffset, n);
        mOffset += n;
        return value;
    }

    // Up to `count` of the next bytes (fewer at the end).
    std::span<const std::uint8_t> bytes(std::size_t count)
    {
        const std::size_t n = count < mSize - mOffset ? count : mSize - mOffset;
        std::span<const std::uint8_t> out(mData + mOffset, n);
        mOffset += n;
        return out;
    }

    std::span<const std::uint8_t> rest() { return bytes(mSize - mOffset); }

private:
    const std::uint8_t *mData;
    std::size_t mSize;
    std::size_t mOffset = 0;
};

} // namespace quaverly::fuzz
