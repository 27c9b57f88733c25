// SPDX-License-Identifier: GPL-3.0-or-later
// quaverly-analyze's own program text with its entry point renamed, so the
// fuzzer drives exactly the code that reads files for users.
#define main quaverlyAnalyzeMain
#include "cli/main.cpp"
#undef main

#include <string_view>

namespace quaverly {

// The shipped table is not what is fuzzed here; the built-in one keeps the
// start-up cheap and quiet.
std::string_view embeddedTemperaments() noexcept
{
    return kBuiltInTemperaments;
}

} // namespace quaverly
