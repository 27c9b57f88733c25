// SPDX-License-Identifier: GPL-3.0-or-later
// Tone onset to a new note on screen, with the real Controller on a private
// PulseAudio or PipeWire. One player runs throughout, writing 5 ms pieces
// into a 10 ms server buffer (so writes pace it, as a sound card would):
// silence, then a tone at random block phases, alternating between G♯4 and
// A4 so every onset changes the note. The onset is the moment the tone's
// first piece is in the server's buffer, so each delay includes up to 10 ms
// of playback. Prints each delay, the median, the worst and the capture
// stream's node.latency as the server reports it.
//
//   quaverly_onset_bench [pulseaudio|pipewire] [ONSETS] [classic|precise]
#include "app/Controller.h"
#include "app/Settings.h"
#include "audio/PulseAudioHardware.h"
#include "support/PulseServer.h"
#include "support/QtApp.h"
#include "widgets/ResizeWindow.h"

#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>

#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <random>
#include <thread>

using namespace quaverly;
using Clock = std::chrono::steady_clock;

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    test::ensureQtApp();
    const bool pipeWire = argc > 1 && std::strcmp(argv[1], "pipewire") == 0;
    const int onsets = argc > 2 ? std::max(1, std::atoi(argv[2])) : 18;
    const char *detection = argc > 3 ? argv[3] : "classic";
    test::PulseServer server(
        {.kind = pipeWire ? test::PulseServer::Kind::PipeWire : test::PulseServer::Kind::PulseAudio});
    if (!server.start()) {
        std::fprintf(stderr, "%s\n", server.error().c_str());
        return 2;
    }
    // The server's environment is this process's: the player finds it.
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32LE, 48000, 1};
    pa_buffer_attr buffer{};
    buffer.maxlength = buffer.prebuf = buffer.minreq = buffer.fragsize = std::uint32_t(-1);
    buffer.tlength = 480 * sizeof(float);
    int error = 0;
    pa_simple *player = pa_simple_new(
        nullptr, "quaverly-onset-bench", PA_STREAM_PLAYBACK, "tone", "tone", &spec, nullptr, &buffer, &error);
    if (!player) {
        std::fprintf(stderr, "player: %s\n", pa_strerror(error));
        return 2;
    }
    std::atomic<double> toneHz{0.0};
    std::atomic<Clock::rep> onsetAt{0}; // set when a tone's first piece is written
    std::atomic<bool> running{true};
    std::thread feeder([&] {
        float samples[240];
        double phase = 0.0, playing = 0.0;
        while (running) {
            const double hz = toneHz.load();
            for (float &s : samples) {
                s = hz > 0.0 ? float(0.5 * std::sin(phase)) : 0.0f;
                phase = std::fmod(phase + 2.0 * std::numbers::pi * hz / 48000.0, 2.0 * std::numbers::pi);
            }
            if (pa_simple_write(player, samples, sizeof samples, &error) < 0)
                break;
            if (hz > 0.0 && playing == 0.0)
                onsetAt = Clock::now().time_since_epoch().count();
            playing = hz;
        }
    });

    QTemporaryDir dir;
    auto settings = std::make_unique<QSettings>(dir.filePath(QStringLiteral("Quaverly.conf")), QSettings::IniFormat);
    settings->setValue(QLatin1String(settings_keys::kDetection), QString::fromUtf8(detection));
    Controller controller(std::make_shared<PulseAudioHardware>(), std::move(settings));
    controller.setQuitHandler([] {});
    controller.awakeFromNib();
    const auto note = [&] {
        const auto *w = controller.window();
        return (w->findChild<QLabel *>(QStringLiteral("mNoteText"))->text()
            + w->findChild<QLabel *>(QStringLiteral("mAccidentalText"))->text())
            .toStdString();
    };
    test::serveUntil([&] { return controller.blockCount() > 10; }, 10000);

    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> phaseMs(0, 73);
    std::vector<double> delays;
    for (int i = 0; i < onsets; ++i) {
        const bool sharp = i % 2 == 0;
        test::serveUntil([] { return false; }, 500 + phaseMs(random));
        const auto blocksBefore = controller.blockCount();
        onsetAt = 0;
        toneHz = sharp ? 415.305 : 440.0;
        const bool shown = test::serveUntil([&] { return note() == (sharp ? "G♯" : "A"); }, 3000);
        const auto shownAt = Clock::now();
        test::serveUntil([&] { return onsetAt != 0; }, 1000);
        const Clock::time_point onset{Clock::duration(onsetAt.load())};
        delays.push_back(std::chrono::duration<double, std::milli>(shownAt - onset).count());
        std::printf("onset %2d %s: %s%.1f ms, %d blocks later\n", i + 1, sharp ? "G#4" : "A4 ",
            shown ? "" : "not shown after ", delays.back(), int(controller.blockCount() - blocksBefore));
        test::serveUntil([] { return false; }, 500);
        toneHz = 0.0;
    }
    // The capture stream's block of the listing.
    std::string outputs;
    server.run({"pactl", "list", "source-outputs"}, &outputs);
    const auto ours = outputs.find("application.name = \"Quaverly\"");
    const auto begin = ours == std::string::npos ? ours : outputs.rfind("Source Output #", ours);
    const auto latency = begin == std::string::npos ? begin : outputs.find("node.latency = ", begin);
    std::ranges::sort(delays);
    std::printf("%s, %s detection: %d onsets, median %.1f ms, worst %.1f ms; %s\n",
        pipeWire ? "PipeWire" : "PulseAudio", detection, onsets,
        delays[delays.size() / 2], delays.back(),
        latency == std::string::npos ? "no node.latency reported"
                                     : outputs.substr(latency, outputs.find('\n', latency) - latency).c_str());
    controller.applicationWillTerminate();
    running = false;
    feeder.join();
    pa_simple_free(player);
    return 0;
}
