// SPDX-License-Identifier: GPL-3.0-or-later
#include "SoundFileInput.h"

#include "AnalysisSession.h"
#include "CsvTable.h"
#include "analysis/CaptureBuffer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <span>
#include <vector>

#include <sndfile.h>

namespace quaverly {

bool analyzeFile(const std::string &path, const AnalyzerOptions &options, const NoteResolver &resolver, bool heading)
{
    SF_INFO info{};
    std::unique_ptr<SNDFILE, int (*)(SNDFILE *)> file(sf_open(path.c_str(), SFM_READ, &info), &sf_close);
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
        table += kBlockTableHeader;
    }
    AnalysisSession session(resolver, rateHz, [&](const BlockReading &reading) {
        if (options.summary) {
            if (reading.accepted)
                accepted.push_back(reading);
        } else {
            table += csvLine(reading);
        }
    }, options.detection);

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

} // namespace quaverly
