// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

// One function per fuzz target. The libFuzzer build wraps each in LLVMFuzzerTestOneInput; the
// normal suite replays the seed corpus and every input that once failed through them.
namespace quaverly::fuzz {

int temperamentReader(const std::uint8_t *data, std::size_t size);
int capturePath(const std::uint8_t *data, std::size_t size);
int analyzerFileReading(const std::uint8_t *data, std::size_t size);

} // namespace quaverly::fuzz

#ifdef QUAVERLY_LIBFUZZER
#define QUAVERLY_FUZZ_ENTRY(function) \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) \
    { return quaverly::fuzz::function(data, size); }
#else
#define QUAVERLY_FUZZ_ENTRY(function)
#endif
