// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AnalyzerOptions.h"
#include "music/NoteResolver.h"

#include <string>

namespace quaverly {

// Reads one sound file with libsndfile, feeds it as a device would deliver it
// and writes its table or summary line to stdout; false (with a message on
// stderr and nothing on stdout) when the file cannot be analysed.
bool analyzeFile(const std::string &path, const AnalyzerOptions &options, const NoteResolver &resolver, bool heading);

} // namespace quaverly
