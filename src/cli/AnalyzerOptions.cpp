// SPDX-License-Identifier: GPL-3.0-or-later
#include "AnalyzerOptions.h"

#include "music/Readouts.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace quaverly {
namespace {

// The whole text must be one number; strtod alone accepts "440abc".
std::optional<double> parseNumber(const std::string &text)
{
    if (text.empty())
        return std::nullopt;
    char *end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || errno == ERANGE || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<std::int64_t> parseInteger(const std::string &text, std::int64_t lowest, std::int64_t highest)
{
    if (text.empty())
        return std::nullopt;
    char *end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (end != text.c_str() + text.size() || errno == ERANGE || value < lowest || value > highest)
        return std::nullopt;
    return value;
}

} // namespace

std::string analyzerUsage()
{
    return "usage: quaverly-analyze [options] FILE...\n"
           "Runs the tuner's analysis over sound files and prints, per analysis block,\n"
           "  block,raw_hz,peak,level_db,frequency_hz,note,cents,ideal_hz\n"
           "(blocks counted from 0; with several files each table is preceded by \"# FILE\").\n"
           "Options:\n"
           "  --reference HZ         pitch of A4, 349.0 ... 499.9 (default 440)\n"
           "  --temperament NAME     a temperament of the temperament file, or \"equal\" (default)\n"
           "  --tonic 0..11          tonic of the temperament, 0 = C ... 11 = B (default 0)\n"
           "  --transpose -11..11    instrument transposition in semitones (default 0)\n"
           "  --callback-frames N    frames per device callback, 1 ... 1048576 (default 512)\n"
           "  --temperaments FILE    temperament file (default: the shipped one)\n"
           "  --summary              one line per file:\n"
           "                         file,blocks,readings,note,note_readings,median_cents,median_hz\n"
           "  --help                 show this text\n"
           "Exit status 2 on a bad option or a file that cannot be analysed.\n";
}

std::optional<AnalyzerOptions> parseAnalyzerOptions(const std::vector<std::string> &arguments, std::string &error)
{
    AnalyzerOptions options;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string &argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument.compare(0, 2, "--") != 0) {
            if (argument.empty()) {
                error = "an empty file name was given";
                return std::nullopt;
            }
            options.files.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = argument;
        std::optional<std::string> inlineValue;
        if (const auto equals = argument.find('='); equals != std::string::npos) {
            name = argument.substr(0, equals);
            inlineValue = argument.substr(equals + 1);
        }
        if (name == "--summary" || name == "--help") {
            if (inlineValue) {
                error = name + " takes no value";
                return std::nullopt;
            }
            (name == "--summary" ? options.summary : options.help) = true;
            continue;
        }
        const bool takesValue = name == "--reference" || name == "--temperament" || name == "--tonic"
            || name == "--transpose" || name == "--callback-frames" || name == "--temperaments";
        if (!takesValue) {
            error = "unknown option " + name;
            return std::nullopt;
        }
        std::string value;
        if (inlineValue) {
            value = *inlineValue;
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            error = name + " needs a value";
            return std::nullopt;
        }

        if (name == "--reference") {
            const auto hz = parseNumber(value);
            if (!hz || *hz < kMinReferencePitch || *hz > kMaxReferencePitch) {
                error = "--reference must be a number from 349.0 to 499.9 Hz, not \"" + value + "\"";
                return std::nullopt;
            }
            options.referencePitch = static_cast<float>(*hz);
        } else if (name == "--temperament") {
            if (value.empty()) {
                error = "--temperament needs a name";
                return std::nullopt;
            }
            options.temperament = value;
        } else if (name == "--tonic") {
            const auto tonic = parseInteger(value, 0, 11);
            if (!tonic) {
                error = "--tonic must be a whole number from 0 to 11, not \"" + value + "\"";
                return std::nullopt;
            }
            options.tonic = *tonic;
        } else if (name == "--transpose") {
            const auto transpose = parseInteger(value, -11, 11);
            if (!transpose) {
                error = "--transpose must be a whole number from -11 to 11, not \"" + value + "\"";
                return std::nullopt;
            }
            options.transpose = *transpose;
        } else if (name == "--callback-frames") {
            const auto frames = parseInteger(value, 1, AnalyzerOptions::kMaxCallbackFrames);
            if (!frames) {
                error = "--callback-frames must be a whole number from 1 to 1048576, not \"" + value + "\"";
                return std::nullopt;
            }
            options.callbackFrames = static_cast<std::uint32_t>(*frames);
        } else {
            if (value.empty()) {
                error = "--temperaments needs a file name";
                return std::nullopt;
            }
            options.temperamentsFile = value;
        }
    }
    if (!options.help && options.files.empty()) {
        error = "no sound file given";
        return std::nullopt;
    }
    return options;
}

} // namespace quaverly
