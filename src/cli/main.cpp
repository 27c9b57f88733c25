// SPDX-License-Identifier: GPL-3.0-or-later
// quaverly-analyze: the tuner's analysis over sound files, one CSV line per
// analysis block (or one summary line per file).

#include "AnalysisSession.h"
#include "AnalyzerOptions.h"
#include "EmbeddedTemperaments.h"

#include "analysis/BlockLength.h"
#include "music/NoteResolver.h"
#include "music/TemperamentTable.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <exception>
#include <fstream>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <sndfile.h>

namespace quaverly {
namespace {

constexpr const char *kProgram = "quaverly-analyze";

void complain(const std::string &message)
{
    std::fprintf(stderr, "%s: %s\n", kProgram, message.c_str());
}

std::string formatFloat(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

// A file name as one CSV field.
std::string csvField(const std::string &text)
{
    if (text.find_first_of(",\"\n\r") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string csvLine(const BlockReading &r)
{
    std::string line = std::to_string(r.block);
    line += ',';
    if (r.rawHz)
        line += formatFloat(*r.rawHz);
    line += ',' + formatFloat(r.peak) + ',' + std::to_string(r.levelDb) + ',' + formatFloat(r.frequencyHz) + ','
        + r.note + ',' + std::to_string(r.cents) + ',' + formatFloat(r.idealHz) + '\n';
    return line;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

// The note shown most often after an accepted reading, with the median of
// its cents and frequencies there; ties go to the note seen first.
std::string summaryLine(const std::string &file, std::uint64_t blocks, const std::vector<BlockReading> &readings)
{
    std::string line = csvField(file) + ',' + std::to_string(blocks) + ',' + std::to_string(readings.size()) + ',';
    if (readings.empty())
        return line + ",0,,\n";
    std::map<std::string, std::size_t> counts;
    std::string best;
    std::size_t bestCount = 0;
    for (const BlockReading &r : readings) {
        const std::size_t count = ++counts[r.note];
        if (count > bestCount) {
            bestCount = count;
            best = r.note;
        }
    }
    std::vector<double> cents;
    std::vector<double> hz;
    for (const BlockReading &r : readings) {
        if (r.note == best) {
            cents.push_back(r.cents);
            hz.push_back(r.frequencyHz);
        }
    }
    return line + best + ',' + std::to_string(bestCount) + ',' + formatFloat(median(cents)) + ','
        + formatFloat(median(hz)) + '\n';
}

struct SndfileCloser {
    void operator()(SNDFILE *file) const noexcept { sf_close(file); }
};

// Analyses one file and writes its table or summary line; false (with a
// message on stderr and nothing on stdout) when the file cannot be analysed.
bool analyzeFile(const std::string &path, const AnalyzerOptions &options, const NoteResolver &resolver, bool heading)
{
    SF_INFO info{};
    std::unique_ptr<SNDFILE, SndfileCloser> file(sf_open(path.c_str(), SFM_READ, &info));
    if (!file) {
        complain(path + ": cannot read it as sound: " + sf_strerror(nullptr));
        return false;
    }
    if (info.channels <= 0) {
        complain(path + ": the file has no channels");
        return false;
    }
    const auto rateHz = static_cast<float>(info.samplerate);
    if (blockLength(rateHz) == 0) {
        complain(path + ": a sample rate of " + std::to_string(info.samplerate) + " Hz is too low to analyse");
        return false;
    }
    const std::uint64_t callbackSamples = std::uint64_t(options.callbackFrames) * std::uint64_t(info.channels);
    if (callbackSamples * sizeof(float) > std::numeric_limits<std::uint32_t>::max()) {
        complain(path + ": " + std::to_string(info.channels) + " channels do not fit a callback of "
            + std::to_string(options.callbackFrames) + " frames");
        return false;
    }

    std::string table;
    std::vector<BlockReading> accepted;
    if (!options.summary) {
        if (heading)
            table += "# " + path + '\n';
        table += "block,raw_hz,peak,level_db,frequency_hz,note,cents,ideal_hz\n";
    }
    AnalysisSession session(resolver, rateHz, [&](const BlockReading &reading) {
        if (options.summary) {
            if (reading.accepted)
                accepted.push_back(reading);
        } else {
            table += csvLine(reading);
        }
    });

    std::vector<float> chunk(callbackSamples);
    std::uint64_t framesRead = 0;
    for (;;) {
        const sf_count_t frames = sf_readf_float(file.get(), chunk.data(), options.callbackFrames);
        if (frames <= 0)
            break;
        const std::size_t samples = std::size_t(frames) * std::size_t(info.channels);
        const auto bad = std::find_if(chunk.begin(), chunk.begin() + std::ptrdiff_t(samples),
            [](float s) { return !std::isfinite(s); });
        if (bad != chunk.begin() + std::ptrdiff_t(samples)) {
            const std::uint64_t frame = framesRead + std::uint64_t(bad - chunk.begin()) / std::uint64_t(info.channels);
            char where[96];
            std::snprintf(where, sizeof where, "frame %llu (%.3f s)", static_cast<unsigned long long>(frame),
                static_cast<double>(frame) / info.samplerate);
            complain(path + ": the sample at " + where + " is not a finite number; the file is damaged");
            return false;
        }
        session.feed(std::span<const float>(chunk.data(), samples), static_cast<std::uint32_t>(info.channels));
        framesRead += std::uint64_t(frames);
    }
    if (sf_error(file.get()) != SF_ERR_NO_ERROR) {
        complain(path + ": read error: " + sf_strerror(file.get()));
        return false;
    }
    if (framesRead == 0) {
        complain(path + ": the file holds no samples");
        return false;
    }
    if (options.summary)
        table = summaryLine(path, session.blocks(), accepted);
    std::fwrite(table.data(), 1, table.size(), stdout);
    return true;
}

std::optional<TemperamentTable> loadTemperamentChoice(const AnalyzerOptions &options)
{
    if (options.temperamentsFile) {
        std::ifstream probe(*options.temperamentsFile, std::ios::binary);
        if (!probe) {
            complain("cannot open the temperament file " + *options.temperamentsFile);
            return std::nullopt;
        }
        return loadTemperamentsFile(*options.temperamentsFile);
    }
    const std::string_view shipped = embeddedTemperaments();
    if (shipped.empty())
        return loadBuiltInTemperaments("Temperaments.txt was not available when quaverly-analyze was built");
    return loadTemperaments(shipped);
}

std::string asciiLower(std::string_view text)
{
    std::string lower(text);
    for (char &c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// 0 for equal temperament, k for row k - 1; nullopt for an unknown or, when
// only the case differs, ambiguous name.
std::optional<std::int64_t> tuningOf(const std::string &name, const TemperamentTable &table)
{
    if (const auto row = table.rowOf(name))
        return std::int64_t(*row) + 1;
    const std::string wanted = asciiLower(name);
    std::optional<std::int64_t> match;
    for (std::size_t r = 0; r < table.names().size(); ++r) {
        if (asciiLower(table.name(r)) != wanted)
            continue;
        if (match)
            return std::nullopt;
        match = std::int64_t(r) + 1;
    }
    if (match)
        return match;
    if (wanted == "equal" || wanted == "equal temperament")
        return 0;
    return std::nullopt;
}

int run(int argc, char **argv)
{
    std::string error;
    const std::optional<AnalyzerOptions> options = parseAnalyzerOptions(argc, argv, error);
    if (!options) {
        complain(error + " (see --help)");
        return 2;
    }
    if (options->help || options->version) {
        std::fputs(options->help ? analyzerUsage().c_str() : "quaverly-analyze " QUAVERLY_VERSION "\n", stdout);
        return 0;
    }
    std::optional<TemperamentTable> temperaments = loadTemperamentChoice(*options);
    if (!temperaments)
        return 2;

    std::int64_t tuning = 0;
    if (options->temperament) {
        const auto found = tuningOf(*options->temperament, *temperaments);
        if (!found) {
            std::string known = "equal";
            for (const std::string &name : temperaments->names())
                known += ", \"" + name + '"';
            complain("no temperament named \"" + *options->temperament + "\"; known: " + known);
            return 2;
        }
        tuning = *found;
    }
    NoteResolver resolver(std::move(*temperaments));
    resolver.setReferencePitch(options->referencePitch);
    resolver.setTuning(tuning);
    resolver.setTonic(options->tonic);
    resolver.setTranspose(options->transpose);

    if (options->summary)
        std::fputs("file,blocks,readings,note,note_readings,median_cents,median_hz\n", stdout);
    bool allRead = true;
    for (const std::string &path : options->files)
        allRead = analyzeFile(path, *options, resolver, options->files.size() > 1) && allRead;
    if (std::fflush(stdout) != 0) {
        complain("cannot write the output");
        return 2;
    }
    return allRead ? 0 : 2;
}

} // namespace
} // namespace quaverly

int main(int argc, char **argv)
{
    try {
        return quaverly::run(argc, argv);
    } catch (const std::exception &e) {
        quaverly::complain(std::string("unexpected failure: ") + e.what());
    } catch (...) {
        quaverly::complain("unexpected failure");
    }
    return 2;
}
