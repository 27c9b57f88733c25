// SPDX-License-Identifier: GPL-3.0-or-later
// Tone onset to a new note on screen, with the real Controller on a private
// PulseAudio or PipeWire. One player runs throughout, fed in real time in
// 5 ms pieces (as a sound card delivers): silence, then a tone from a known
// instant, at random block phases, alternating between G♯4 and A4 so every
// onset changes the note. Prints each delay, the median, the worst and the
// capture stream's node.latency as the server reports it.
//
//   quaverly_onset_bench [pulseaudio|pipewire] [ONSETS]
#include "app/Controller.h"
#include "audio/PulseAudioHardware.h"
#include "support/PulseServer.h"
#include "support/QtApp.h"
#include "widgets/ResizeWindow.h"

#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
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
    test::PulseServer server(
        {.kind = pipeWire ? test::PulseServer::Kind::PipeWire : test::PulseServer::Kind::PulseAudio});
    if (!server.start()) {
        std::fprintf(stderr, "%s\n", server.error().c_str());
        return 2;
    }
    // The server's environment is this process's: popen's pacat plays into it.
    FILE *player = popen("exec pacat --playback -d tone --latency-msec=20 --raw --format=float32le --rate=48000 "
                         "--channels=1",
        "w");
    std::atomic<double> toneHz{0.0};
    std::atomic<bool> running{true};
    std::thread feeder([&] {
        constexpr int kPiece = 240; // 5 ms
        float samples[kPiece];
        double phase = 0.0;
        for (auto due = Clock::now(); running; due += std::chrono::microseconds(5000)) {
            std::this_thread::sleep_until(due);
            const double hz = toneHz.load();
            for (float &s : samples) {
                s = hz > 0.0 ? float(0.5 * std::sin(phase)) : 0.0f;
                phase = std::fmod(phase + 2.0 * std::numbers::pi * hz / 48000.0, 2.0 * std::numbers::pi);
            }
            std::fwrite(samples, sizeof samples, 1, player);
            std::fflush(player);
        }
    });

    QTemporaryDir dir;
    Controller controller(std::make_shared<PulseAudioHardware>(),
        std::make_unique<QSettings>(dir.filePath(QStringLiteral("Quaverly.conf")), QSettings::IniFormat));
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
        const auto onset = Clock::now();
        const auto blocksBefore = controller.blockCount();
        toneHz = sharp ? 415.305 : 440.0;
        const bool shown = test::serveUntil([&] { return note() == (sharp ? "G♯" : "A"); }, 3000);
        delays.push_back(std::chrono::duration<double, std::milli>(Clock::now() - onset).count());
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
    std::printf("%s: %d onsets, median %.1f ms, worst %.1f ms; %s\n", pipeWire ? "PipeWire" : "PulseAudio", onsets,
        delays[delays.size() / 2], delays.back(),
        latency == std::string::npos ? "no node.latency reported"
                                     : outputs.substr(latency, outputs.find('\n', latency) - latency).c_str());
    controller.applicationWillTerminate();
    running = false;
    feeder.join();
    pclose(player);
    return 0;
}
