// SPDX-License-Identifier: GPL-3.0-or-later
#include "AnalyzerOptions.h"

#include "music/Readouts.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include <getopt.h>

namespace quaverly {

void complain(const std::string &message)
{
    std::fprintf(stderr, "quaverly-analyze: %s\n", message.c_str());
}

namespace {

// The whole text must be one number; strtod alone accepts "440abc".
bool wholeText(const char *text, const char *end)
{
    return *text != '\0' && *end == '\0' && errno != ERANGE;
}

template <typename Field>
std::string setInteger(const char *name, const char *value, std::int64_t lowest, std::int64_t highest, Field &field)
{
    char *end = nullptr;
    errno = 0;
    const long long number = std::strtoll(value, &end, 10);
    if (!wholeText(value, end) || number < lowest || number > highest)
        return std::string(name) + " must be a whole number from " + std::to_string(lowest) + " to "
            + std::to_string(highest) + ", not \"" + value + '"';
    field = static_cast<Field>(number);
    return {};
}

// Above every character, so a '?' from getopt_long tells a known long option
// given a value it does not take from an unknown one.
enum Option : int { kReference = 256, kTemperament, kTonic, kTranspose, kCallbackFrames, kTemperaments, kScala,
    kSummary, kHelp, kVersion, kDetector };

constexpr option kOptions[] = {
    {"reference", required_argument, nullptr, kReference},
    {"temperament", required_argument, nullptr, kTemperament},
    {"tonic", required_argument, nullptr, kTonic},
    {"transpose", required_argument, nullptr, kTranspose},
    {"callback-frames", required_argument, nullptr, kCallbackFrames},
    {"temperaments", required_argument, nullptr, kTemperaments},
    {"detector", required_argument, nullptr, kDetector},
    {"scala", required_argument, nullptr, kScala},
    {"summary", no_argument, nullptr, kSummary},
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};

std::string optionName(const char *argument)
{
    const std::string text = argument;
    return text.substr(0, text.find('='));
}

// Applies one option's value; an empty string when it is good, else the reason.
std::string apply(int option, const char *value, AnalyzerOptions &options)
{
    switch (option) {
    case kReference: {
        char *end = nullptr;
        errno = 0;
        const double hz = std::strtod(value, &end);
        if (!wholeText(value, end) || !(hz >= kMinReferencePitch && hz <= kMaxReferencePitch))
            return std::string("--reference must be a number from 349.0 to 499.9 Hz, not \"") + value + '"';
        options.referencePitch = static_cast<float>(hz);
        return {};
    }
    case kTonic:
        return setInteger("--tonic", value, 0, 11, options.tonic);
    case kTranspose:
        return setInteger("--transpose", value, -11, 11, options.transpose);
    case kCallbackFrames:
        return setInteger("--callback-frames", value, 1, AnalyzerOptions::kMaxCallbackFrames, options.callbackFrames);
    case kDetector:
        if (std::string_view(value) == "classic")
            options.detection = Detection::Classic;
        else if (std::string_view(value) == "precise")
            options.detection = Detection::Precise;
        else
            return std::string("--detector must be classic or precise, not \"") + value + '"';
        return {};
    case kTemperament:
        options.temperament = value;
        return *value == '\0' ? "--temperament needs a name" : "";
    case kScala:
        options.scalaFile = value;
        return *value == '\0' ? "--scala needs a file name" : "";
    default:
        options.temperamentsFile = value;
        return *value == '\0' ? "--temperaments needs a file name" : "";
    }
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
           "  --detector METHOD      classic (default) or precise (low, reed and organ tones)\n"
           "  --scala FILE           a twelve-note Scala .scl scale as the temperament,\n"
           "                         laid on --tonic (not with --temperament)\n"
           "  --summary              one line per file:\n"
           "                         file,blocks,readings,note,note_readings,median_cents,median_hz\n"
           "  --help                 show this text\n"
           "  --version              show the version\n"
           "Exit status 2 on a bad option or a file that cannot be analysed.\n";
}

std::optional<AnalyzerOptions> parseAnalyzerOptions(int argc, char **argv, std::string &error)
{
    AnalyzerOptions options;
    // "-" returns files in place, so POSIXLY_CORRECT cannot end the options
    // at the first file; ":" reports a missing value apart from a bad option.
    optind = 0;
    opterr = 0;
    for (int option; (option = getopt_long(argc, argv, "-:", kOptions, nullptr)) != -1;) {
        const char *argument = argv[optind - 1];
        switch (option) {
        case 1:
            options.files.emplace_back(optarg);
            break;
        case ':':
            error = optionName(argument) + " needs a value";
            return std::nullopt;
        case '?':
            if (optopt >= kReference)
                error = optionName(argument) + " takes no value";
            else if (optopt != 0)
                error = std::string("unknown option -") + static_cast<char>(optopt);
            else
                error = "unknown option " + optionName(argument);
            return std::nullopt;
        case kSummary:
            options.summary = true;
            break;
        case kHelp:
            options.help = true;
            break;
        case kVersion:
            options.version = true;
            break;
        default:
            if (error = apply(option, optarg, options); !error.empty())
                return std::nullopt;
        }
    }
    options.files.insert(options.files.end(), argv + optind, argv + argc);
    if (std::find(options.files.begin(), options.files.end(), std::string()) != options.files.end()) {
        error = "an empty file name was given";
        return std::nullopt;
    }
    if (options.scalaFile && options.temperament) {
        error = "--scala and --temperament cannot be used together";
        return std::nullopt;
    }
    if (!options.help && !options.version && options.files.empty()) {
        error = "no sound file given";
        return std::nullopt;
    }
    return options;
}

} // namespace quaverly
