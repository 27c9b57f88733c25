// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "music/NoteNaming.h"
#include "tuner/Tuner.h"
#include "widgets/ImageLibrary.h"

#include <QString>

#include <array>
#include <string_view>

namespace Ui {
class MainWindow;
}

namespace quaverly {

// The core's UTF-8 texts as Qt strings.
inline QString qs(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The main window's readouts as a view of the tuner's reading: note,
// cents, needle, dots, strobe frequency, and while the settings area is
// shown the frequency texts and the level meter. A reading without input
// gets a calm face that claims nothing. Main thread; the form's widgets
// belong to the window.
class ReadoutPanel {
public:
    explicit ReadoutPanel(Ui::MainWindow &ui);

    // Once the form is set up: loads the indicator images and lets the
    // read-only fields off the instrument face show the window's colour.
    void prepare();
    // Writes only what differs from what is shown.
    void show(const TunerReading &reading, bool disclosed);
    // How notes are named from the next show() on.
    void setNoteNaming(NoteNaming naming) { mNaming = naming; }

private:
    void showNoInput(bool disclosed);
    void showDots(Dot inTune, Dot flat, Dot sharp);
    void showLevel(std::int32_t level, std::int32_t peakHold, const QString &text);

    Ui::MainWindow &mUi;
    NoteNaming mNaming = NoteNaming::English;
    // Indexed by Lamp; by Dot for the in-tune dot and for the side dots.
    std::array<Image, 4> mLampImages, mInTuneImages, mSideImages;
};

} // namespace quaverly
