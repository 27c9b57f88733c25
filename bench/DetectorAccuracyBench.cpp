// SPDX-License-Identifier: GPL-3.0-or-later
// Accuracy of both detectors over a folder of labelled recordings, clean and
// in a simulated room, and their CPU time per block at 44.1, 48 and 96 kHz.
//
//   quaverly_detector_bench [--no-room] [--no-cpu] FOLDER
//
// FOLDER holds the recordings and a labels.csv with at least the columns
// file, instrument, measured_frequency_hz, onset_s and sustain_end_s (see
// tests/data/instruments/README.md). Every file goes the analyzer's road:
// device-sized callbacks into the capture buffer, each block through the
// tuner core. A block counts when it lies wholly within [onset + 150 ms,
// sustain end]; it is right when the accepted, smoothed frequency after it
// is within +-50 cents of measured_frequency_hz; octave errors are within
// 50 cents of one or two octaves off, twelfth errors of 3x or 1/3x; fresh
// means the block's own reading was accepted.
//
// The room: the file mixed to mono (x), convolved with 0.5 s of white noise
// times exp(-6.9 t / 0.5 s) scaled to unit energy, that wet signal scaled to
// half of x's RMS and added to x, cut to x's length (y); then white noise at
// 20 dB below the RMS of y from onset to sustain end. The noise comes from a
// generator seeded with a hash of the file name, so every run is the same.
// With QUAVERLY_BENCH_FILES set, each file's precise figures go to stderr.

#include "analysis/CaptureBuffer.h"
#include "analysis/PitchDetector.h"
#include "analysis/PreciseDetector.h"
#include "cli/AnalysisSession.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include <fftw3.h>
#include <sndfile.h>
#include <time.h>

namespace quaverly {
namespace {

struct Label {
    std::string file;
    std::string instrument;
    double measuredHz = 0.0;
    double onset = 0.0;
    double sustainEnd = 0.0;
};

struct Sound {
    std::vector<float> samples; // interleaved
    int channels = 0;
    int rate = 0;
};

struct Score {
    std::size_t counted = 0;
    std::size_t right = 0;
    std::size_t octave = 0;
    std::size_t twelfth = 0;
    std::size_t fresh = 0;
    std::vector<double> errors; // |cents|

    void add(const Score &other)
    {
        counted += other.counted;
        right += other.right;
        octave += other.octave;
        twelfth += other.twelfth;
        fresh += other.fresh;
        errors.insert(errors.end(), other.errors.begin(), other.errors.end());
    }
};

std::vector<std::string> splitCsv(const std::string &line)
{
    std::vector<std::string> fields;
    std::stringstream in(line);
    for (std::string field; std::getline(in, field, ',');)
        fields.push_back(field);
    return fields;
}

std::vector<Label> readLabels(const std::string &folder)
{
    std::ifstream in(folder + "/labels.csv");
    std::string line;
    if (!std::getline(in, line))
        return {};
    const std::vector<std::string> header = splitCsv(line);
    auto column = [&](const std::string &name) {
        const auto at = std::find(header.begin(), header.end(), name);
        return at == header.end() ? std::size_t(-1) : std::size_t(at - header.begin());
    };
    const std::size_t file = column("file"), instrument = column("instrument"),
                      measured = column("measured_frequency_hz"), onset = column("onset_s"),
                      sustainEnd = column("sustain_end_s");
    if (file == std::size_t(-1) || instrument == std::size_t(-1) || measured == std::size_t(-1)
        || onset == std::size_t(-1) || sustainEnd == std::size_t(-1)) {
        std::fprintf(stderr, "labels.csv lacks one of file, instrument, measured_frequency_hz, onset_s, "
                             "sustain_end_s\n");
        return {};
    }
    std::vector<Label> labels;
    while (std::getline(in, line)) {
        const std::vector<std::string> f = splitCsv(line);
        // A trailing empty field (no flags) gives no element.
        if (f.size() <= std::max({file, instrument, measured, onset, sustainEnd}))
            continue;
        labels.push_back(Label{f[file], f[instrument], std::stod(f[measured]), std::stod(f[onset]),
            std::stod(f[sustainEnd])});
    }
    return labels;
}

bool readSound(const std::string &path, Sound &sound)
{
    SF_INFO info{};
    std::unique_ptr<SNDFILE, int (*)(SNDFILE *)> file(sf_open(path.c_str(), SFM_READ, &info), &sf_close);
    if (!file || info.channels <= 0)
        return false;
    sound.channels = info.channels;
    sound.rate = info.samplerate;
    sound.samples.resize(std::size_t(info.frames) * std::size_t(info.channels));
    sound.samples.resize(std::size_t(sf_readf_float(file.get(), sound.samples.data(), info.frames))
        * std::size_t(info.channels));
    return true;
}

// SplitMix64 seeded with FNV-1a of the file name; Gaussian by Box-Muller.
class Noise {
public:
    explicit Noise(const std::string &name)
    {
        mState = 14695981039346656037ull;
        for (const char c : name) {
            mState ^= static_cast<unsigned char>(c);
            mState *= 1099511628211ull;
        }
    }

    double gaussian()
    {
        const double u1 = (double(next() >> 11) + 0.5) / 9007199254740992.0;
        const double u2 = double(next() >> 11) / 9007199254740992.0;
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * std::numbers::pi * u2);
    }

private:
    std::uint64_t next()
    {
        std::uint64_t z = (mState += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }

    std::uint64_t mState;
};

// x * h, cut to x's length, through one real FFT of each.
std::vector<double> convolve(const std::vector<double> &x, const std::vector<double> &h)
{
    std::size_t n = 1;
    while (n < x.size() + h.size())
        n *= 2;
    double *a = fftw_alloc_real(n);
    double *b = fftw_alloc_real(n);
    fftw_complex *fa = fftw_alloc_complex(n / 2 + 1);
    fftw_complex *fb = fftw_alloc_complex(n / 2 + 1);
    std::fill(a, a + n, 0.0);
    std::fill(b, b + n, 0.0);
    std::copy(x.begin(), x.end(), a);
    std::copy(h.begin(), h.end(), b);
    const fftw_plan pa = fftw_plan_dft_r2c_1d(int(n), a, fa, FFTW_ESTIMATE);
    const fftw_plan pb = fftw_plan_dft_r2c_1d(int(n), b, fb, FFTW_ESTIMATE);
    const fftw_plan back = fftw_plan_dft_c2r_1d(int(n), fa, a, FFTW_ESTIMATE);
    fftw_execute(pa);
    fftw_execute(pb);
    for (std::size_t k = 0; k <= n / 2; ++k) {
        const double re = fa[k][0] * fb[k][0] - fa[k][1] * fb[k][1];
        const double im = fa[k][0] * fb[k][1] + fa[k][1] * fb[k][0];
        fa[k][0] = re / double(n);
        fa[k][1] = im / double(n);
    }
    fftw_execute(back);
    std::vector<double> y(a, a + x.size());
    fftw_destroy_plan(pa);
    fftw_destroy_plan(pb);
    fftw_destroy_plan(back);
    fftw_free(a);
    fftw_free(b);
    fftw_free(fa);
    fftw_free(fb);
    return y;
}

double rms(const std::vector<double> &x, std::size_t from, std::size_t to)
{
    to = std::min(to, x.size());
    if (from >= to)
        return 0.0;
    double sum = 0.0;
    for (std::size_t i = from; i < to; ++i)
        sum += x[i] * x[i];
    return std::sqrt(sum / double(to - from));
}

Sound roomVersion(const Sound &clean, const Label &label)
{
    const std::size_t frames = clean.samples.size() / std::size_t(clean.channels);
    std::vector<double> x(frames);
    for (std::size_t f = 0; f < frames; ++f) {
        double s = 0.0;
        for (int c = 0; c < clean.channels; ++c)
            s += clean.samples[f * std::size_t(clean.channels) + std::size_t(c)];
        x[f] = s / clean.channels;
    }
    Noise noise(label.file);
    const double rate = clean.rate;
    std::vector<double> ir(std::size_t(0.5 * rate));
    double energy = 0.0;
    for (std::size_t i = 0; i < ir.size(); ++i) {
        ir[i] = noise.gaussian() * std::exp(-6.9 * (double(i) / rate) / 0.5);
        energy += ir[i] * ir[i];
    }
    for (double &v : ir)
        v /= std::sqrt(energy);
    std::vector<double> wet = convolve(x, ir);
    const double wetRms = rms(wet, 0, wet.size());
    const double gain = wetRms > 0.0 ? 0.5 * rms(x, 0, x.size()) / wetRms : 0.0;
    std::vector<double> y(frames);
    for (std::size_t i = 0; i < frames; ++i)
        y[i] = x[i] + gain * wet[i];
    const double sustainRms = rms(y, std::size_t(label.onset * rate), std::size_t(label.sustainEnd * rate));
    const double noiseRms = sustainRms * 0.1;
    Sound room;
    room.channels = 1;
    room.rate = clean.rate;
    room.samples.resize(frames);
    for (std::size_t i = 0; i < frames; ++i)
        room.samples[i] = static_cast<float>(y[i] + noiseRms * noise.gaussian());
    return room;
}

Score score(const Sound &sound, const Label &label, Detection detection)
{
    Score result;
    const auto rate = static_cast<float>(sound.rate);
    const double block = blockLength(rate);
    const double from = label.onset + 0.15;
    const double to = label.sustainEnd;
    AnalysisSession session(NoteResolver{}, rate, [&](const BlockReading &reading) {
        const double start = double(reading.block) * block / sound.rate;
        const double end = double(reading.block + 1) * block / sound.rate;
        if (start < from || end > to)
            return;
        ++result.counted;
        if (reading.accepted)
            ++result.fresh;
        const double cents = 1200.0 * std::log2(double(reading.frequencyHz) / label.measuredHz);
        const double error = std::abs(cents);
        result.errors.push_back(error);
        if (error <= 50.0)
            ++result.right;
        if (std::abs(error - 1200.0) <= 50.0 || std::abs(error - 2400.0) <= 50.0)
            ++result.octave;
        if (std::abs(error - 1200.0 * std::log2(3.0)) <= 50.0)
            ++result.twelfth;
    }, detection);
    const std::size_t step = 512 * std::size_t(sound.channels);
    for (std::size_t at = 0; at < sound.samples.size(); at += step) {
        const std::size_t n = std::min(step, sound.samples.size() - at);
        session.feed(std::span<const float>(sound.samples.data() + at, n), std::uint32_t(sound.channels));
    }
    return result;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    const auto middle = values.begin() + std::ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    double m = *middle;
    if (values.size() % 2 == 0)
        m = (m + *std::max_element(values.begin(), middle)) / 2.0;
    return m;
}

double percent(std::size_t part, std::size_t whole)
{
    return whole == 0 ? 0.0 : 100.0 * double(part) / double(whole);
}

void printTable(const char *title, const std::map<std::string, Score> (&scores)[2])
{
    std::printf("\n### %s\n\n", title);
    std::printf("| instrument | blocks | classic ±50c %% | precise ±50c %% | classic oct+12th %% | precise oct+12th %% "
                "| classic median |err| c | precise median |err| c | classic fresh %% | precise fresh %% |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|\n");
    Score all[2];
    auto row = [](const char *name, const Score (&s)[2]) {
        std::printf("| %s | %zu | %.1f | %.1f | %.2f | %.2f | %.1f | %.1f | %.1f | %.1f |\n", name, s[1].counted,
            percent(s[0].right, s[0].counted), percent(s[1].right, s[1].counted),
            percent(s[0].octave + s[0].twelfth, s[0].counted), percent(s[1].octave + s[1].twelfth, s[1].counted),
            median(s[0].errors), median(s[1].errors), percent(s[0].fresh, s[0].counted),
            percent(s[1].fresh, s[1].counted));
    };
    for (const auto &[instrument, precise] : scores[1]) {
        const Score both[2] = {scores[0].at(instrument), precise};
        row(instrument.c_str(), both);
        all[0].add(both[0]);
        all[1].add(both[1]);
    }
    row("**overall**", all);
    std::printf("\noctave errors: classic %.2f %%, precise %.2f %%; twelfth errors: classic %.2f %%, precise %.2f %%\n",
        percent(all[0].octave, all[0].counted), percent(all[1].octave, all[1].counted),
        percent(all[0].twelfth, all[0].counted), percent(all[1].twelfth, all[1].counted));
}

double threadCpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e9 + double(now.tv_nsec);
}

// Thread CPU time per block over every block of the recordings at one rate.
template <typename Detector>
double nsPerBlock(const std::vector<std::vector<float>> &blocks, float rate, std::uint32_t frames)
{
    Detector detector;
    detector.detectPitch(blocks.front(), rate, frames); // plans, outside the timing
    double best = 1e300;
    for (int round = 0; round < 5; ++round) {
        const double start = threadCpuNs();
        for (int repeat = 0; repeat < 4; ++repeat)
            for (const std::vector<float> &b : blocks)
                detector.detectPitch(b, rate, frames);
        best = std::min(best, (threadCpuNs() - start) / double(4 * blocks.size()));
    }
    return best;
}

void measureCpu(const std::string &folder, const std::vector<Label> &labels)
{
    std::printf("\n### CPU per block (every block of the recordings at each rate, first channel, thread CPU time, best of 5)\n\n");
    std::printf("| rate | samples | blocks | classic µs | precise µs | precise / classic | precise %% of one core |\n"
                "|---|---|---|---|---|---|---|\n");
    for (const int rate : {44100, 48000, 96000}) {
        const std::uint32_t frames = blockLength(float(rate));
        std::vector<std::vector<float>> blocks;
        for (const Label &label : labels) {
            Sound sound;
            if (!readSound(folder + "/" + label.file, sound) || sound.rate != rate)
                continue;
            const std::size_t length = sound.samples.size() / std::size_t(sound.channels);
            for (std::size_t at = 0; at + frames <= length; at += frames) {
                std::vector<float> b(frames);
                for (std::size_t i = 0; i < frames; ++i)
                    b[i] = sound.samples[(at + i) * std::size_t(sound.channels)];
                blocks.push_back(std::move(b));
            }
        }
        if (blocks.empty())
            continue;
        const double classic = nsPerBlock<PitchDetector>(blocks, float(rate), frames);
        const double precise = nsPerBlock<PreciseDetector>(blocks, float(rate), frames);
        const double blocksPerSecond = double(rate) / double(frames);
        std::printf("| %.1f kHz | %u | %zu | %.1f | %.1f | %.1f | %.3f |\n", rate / 1000.0, frames, blocks.size(),
            classic / 1000.0, precise / 1000.0, precise / classic, precise * blocksPerSecond * 1e-9 * 100.0);
    }
}

int run(int argc, char **argv)
{
    bool room = true;
    bool cpu = true;
    std::string folder;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--no-room")
            room = false;
        else if (arg == "--no-cpu")
            cpu = false;
        else if (!arg.empty() && arg[0] != '-' && folder.empty())
            folder = arg;
        else {
            std::fprintf(stderr, "usage: quaverly_detector_bench [--no-room] [--no-cpu] FOLDER\n");
            return 2;
        }
    }
    if (folder.empty()) {
        std::fprintf(stderr, "usage: quaverly_detector_bench [--no-room] [--no-cpu] FOLDER\n");
        return 2;
    }
    const std::vector<Label> labels = readLabels(folder);
    if (labels.empty()) {
        std::fprintf(stderr, "%s/labels.csv: no labels\n", folder.c_str());
        return 2;
    }
    std::map<std::string, Score> clean[2];
    std::map<std::string, Score> inRoom[2];
    for (const Label &label : labels) {
        Sound sound;
        if (!readSound(folder + "/" + label.file, sound)) {
            std::fprintf(stderr, "%s: cannot read it\n", label.file.c_str());
            continue;
        }
        const Sound roomSound = room ? roomVersion(sound, label) : Sound{};
        for (const int d : {0, 1}) {
            const auto detection = d == 0 ? Detection::Classic : Detection::Precise;
            const Score c = score(sound, label, detection);
            clean[d][label.instrument].add(c);
            if (room)
                inRoom[d][label.instrument].add(score(roomSound, label, detection));
            if (std::getenv("QUAVERLY_BENCH_FILES") && d == 1) {
                std::fprintf(stderr, "%s clean %.1f%% fresh %.1f%%\n", label.file.c_str(),
                    percent(c.right, c.counted), percent(c.fresh, c.counted));
                if (room) {
                    const Score r = score(roomSound, label, detection);
                    std::fprintf(stderr, "%s room %.1f%% fresh %.1f%%\n", label.file.c_str(),
                        percent(r.right, r.counted), percent(r.fresh, r.counted));
                }
            }
        }
    }
    printTable("Clean recordings", clean);
    if (room)
        printTable("Room version", inRoom);
    if (cpu)
        measureCpu(folder, labels);
    return 0;
}

} // namespace
} // namespace quaverly

int main(int argc, char **argv)
{
    return quaverly::run(argc, argv);
}
