// SPDX-License-Identifier: GPL-3.0-or-later
// quaverly-analyze's own program text with its entry point renamed, so the fuzzer drives exactly
// the code that reads files for users; the built-in temperament keeps start-up cheap and quiet.
#define main quaverlyAnalyzeMain
#include "cli/main.cpp"
#undef main

namespace quaverly {
std::string_view embeddedTemperaments() noexcept { return kBuiltInTemperaments; }
} // namespace quaverly
