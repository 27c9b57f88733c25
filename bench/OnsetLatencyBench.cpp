// SPDX-License-Identifier: GPL-3.0-or-later
// Tone onset to a new note on screen, with the real Controller on a private
// PulseAudio or PipeWire: onsets at random block phases, alternating between
// G♯4 and A4 so every onset changes the note. Prints each delay, the median,
// the worst and the capture stream's latency as the server reports it.
//
//   quaverly_onset_bench [pulseaudio|pipewire] [ONSETS]
#include "app/Controller.h"
#include "audio/PulseAudioHardware.h"
#include "support/PulseServer.h"
#include "support/QtApp.h"
#include "widgets/ResizeWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>

using namespace quaverly;

using test::serveUntil;

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool pipeWire = argc > 1 && std::strcmp(argv[1], "pipewire") == 0;
    const int onsets = argc > 2 ? std::max(1, std::atoi(argv[2])) : 18;
    test::PulseServer server(
        {.kind = pipeWire ? test::PulseServer::Kind::PipeWire : test::PulseServer::Kind::PulseAudio});
    if (!server.start()) {
        std::fprintf(stderr, "%s\n", server.error().c_str());
        return 2;
    }
    QTemporaryDir dir;
    Controller controller(std::make_shared<PulseAudioHardware>(),
        std::make_unique<QSettings>(dir.filePath(QStringLiteral("Quaverly.conf")), QSettings::IniFormat));
    controller.setQuitHandler([] {});
    controller.awakeFromNib();
    const auto note = [&] {
        const auto *w = controller.window();
        return (w->findChild<QLineEdit *>(QStringLiteral("mNoteText"))->text()
            + w->findChild<QLineEdit *>(QStringLiteral("mAccidentalText"))->text())
            .toStdString();
    };
    serveUntil([&] { return controller.blockCount() > 10; }, 10000);

    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> phaseMs(0, 73);
    std::vector<double> delays;
    for (int i = 0; i < onsets; ++i) {
        const bool sharp = i % 2 == 0;
        serveUntil([] { return false; }, 600 + phaseMs(random));
        QElapsedTimer sinceOnset;
        sinceOnset.start();
        server.playTone(sharp ? 415.305 : 440.0, 0.8);
        double heardMs = -1;
        const bool shown = serveUntil([&] {
            if (heardMs < 0 && controller.window()->findChild<QLineEdit *>(QStringLiteral("mLevelText"))->text() != "-96dB")
                heardMs = double(sinceOnset.nsecsElapsed()) / 1e6;
            return note() == (sharp ? "G♯" : "A");
        }, 3000);
        delays.push_back(double(sinceOnset.nsecsElapsed()) / 1e6);
        std::printf("onset %2d %s: %s%.1f ms (level moved at %.1f ms)\n", i + 1, sharp ? "G#4" : "A4 ",
            shown ? "" : "not shown after ", delays.back(), heardMs);
        serveUntil([] { return false; }, 900);
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
    return 0;
}
