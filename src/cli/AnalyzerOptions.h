// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tuner/Tuner.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quaverly {

// What quaverly-analyze was asked to do.
struct AnalyzerOptions {
    static constexpr std::uint32_t kMaxCallbackFrames = 1u << 20;

    std::vector<std::string> files;
    float referencePitch = 440.0f;
    std::optional<std::string> temperament; // unset: equal temperament
    std::int64_t tonic = 0;
    std::int64_t transpose = 0;
    std::uint32_t callbackFrames = 512;
    std::optional<std::string> temperamentsFile; // unset: the shipped resource
    Detection detection = Detection::Classic;
    std::optional<std::string> scalaFile;        // a .scl scale instead of --temperament
    bool summary = false;
    bool help = false;
    bool version = false;
};

// Parses main's arguments with getopt_long, which keeps its state in globals
// (not thread-safe). Returns the options, or nullopt with `error` set to a
// one-line reason. "--name value", "--name=value" and unique prefixes are
// accepted; "--" ends the options.
[[nodiscard]] std::optional<AnalyzerOptions> parseAnalyzerOptions(int argc, char **argv, std::string &error);

// The --help text.
[[nodiscard]] std::string analyzerUsage();

// One line on stderr, prefixed with the program's name.
void complain(const std::string &message);

} // namespace quaverly
