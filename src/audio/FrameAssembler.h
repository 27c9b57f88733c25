// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace quaverly {

// Turns a byte stream that arrives in pieces of any size into runs of whole
// frames. A frame split between two pieces is carried over in a small fixed
// buffer, so the IO thread never allocates. Not thread-safe: one stream, one
// thread.
class FrameAssembler {
public:
    static constexpr std::size_t kMaxFrameBytes = 32 * sizeof(float);

    // Forgets any carried bytes. frameBytes must be 1 … kMaxFrameBytes;
    // anything else makes push() drop its input.
    void reset(std::size_t frameBytes) noexcept
    {
        mFrameBytes = frameBytes <= kMaxFrameBytes ? frameBytes : 0;
        mCarried = 0;
    }

    // A gap in the stream: a partly gathered frame cannot be completed.
    void dropPartial() noexcept { mCarried = 0; }

    // Calls deliver(const std::uint8_t *frames, std::size_t count) once for a
    // completed carried frame and once for the whole frames of this piece.
    template<typename Emit>
    void push(const std::uint8_t *data, std::size_t bytes, Emit &&deliver) noexcept
    {
        if (mFrameBytes == 0 || bytes == 0)
            return;
        if (mCarried > 0) {
            const std::size_t take = std::min(bytes, mFrameBytes - mCarried);
            std::memcpy(mCarry.data() + mCarried, data, take);
            mCarried += take;
            data += take;
            bytes -= take;
            if (mCarried < mFrameBytes)
                return;
            mCarried = 0;
            deliver(static_cast<const std::uint8_t *>(mCarry.data()), std::size_t(1));
        }
        const std::size_t frames = bytes / mFrameBytes;
        if (frames > 0)
            deliver(data, frames);
        const std::size_t rest = bytes - frames * mFrameBytes;
        if (rest > 0)
            std::memcpy(mCarry.data(), data + frames * mFrameBytes, rest);
        mCarried = rest;
    }

private:
    std::array<std::uint8_t, kMaxFrameBytes> mCarry{};
    std::size_t mCarried = 0;
    std::size_t mFrameBytes = 0;
};

} // namespace quaverly
