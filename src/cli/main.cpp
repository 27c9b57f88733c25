// SPDX-License-Identifier: GPL-3.0-or-later
// quaverly-analyze: the tuner's analysis over sound files, one CSV line per
// analysis block (or one summary line per file).

#include "AnalyzerOptions.h"
#include "CsvTable.h"
#include "SoundFileInput.h"
#include "TemperamentChoice.h"
#include "music/NoteResolver.h"

#include <cstdint>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <utility>

namespace quaverly {

namespace {

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
    std::optional<TemperamentChoice> temperament = chooseTemperament(*options);
    if (!temperament)
        return 2;
    NoteResolver resolver(std::move(temperament->table));
    resolver.setReferencePitch(options->referencePitch);
    resolver.setTuning(temperament->tuning);
    resolver.setTonic(options->tonic);
    resolver.setTranspose(options->transpose);

    if (options->summary)
        std::fputs(kSummaryHeader, stdout);
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
