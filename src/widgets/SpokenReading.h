// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "widgets/AutoResizing.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <optional>
#include <utility>

namespace quaverly {

// The tuner's reading in words, for screen readers, in the window's language: one focusable element laid over the
// note readout whose accessible name reads like speech ("A4, 23 cents sharp", "A4, in
// tune", "no input"). It draws nothing but its focus frame, when reached from the keyboard.
//
// A screen reader speaks the name of the focused element again whenever it changes (Qt 6.4
// has no announcement event; a name change is what it offers). So the name must not follow
// the readout 14 times a second: a new reading is published only once it has settled (the
// same note and tuning side for kSettleSeconds) and at most once every kMinIntervalSeconds,
// and only when it says something new: another note, side or input state, or cents that
// moved by kCentsStep or more from the ones last spoken.
//
// The controller calls setReading once per refresh; the clock is replaceable for tests.
// Main thread only.
class SpokenReading : public QWidget, public AutoResizing {
    Q_OBJECT
public:
    static constexpr double kSettleSeconds = 0.5;
    static constexpr double kMinIntervalSeconds = 1.0;
    static constexpr int kCentsStep = 3;

    explicit SpokenReading(QWidget *parent = nullptr);

    QSize sizeHint() const override { return {176, 108}; }

    // noteName as the readout shows it ("A4", "B♭3"); cents whole cents of deviation; inTune
    // as the in-tune dot shows it; hasInput false while no tone is heard (note and cents are
    // then not read).
    void setReading(const QString &noteName, int cents, bool inTune, bool hasInput);

    // Seconds on a monotonic clock.
    void setClock(std::function<double()> clock) { mClock = std::move(clock); }

    // The words of one reading, independent of timing.
    [[nodiscard]] static QString phrase(const QString &noteName, int cents, bool inTune,
                                        bool hasInput);

protected:
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    struct Reading {
        QString note;
        int side = 0; // -1 flat, 0 in tune, +1 sharp
        int cents = 0;
        bool hasInput = false;

        // Same note, side and input state; cents may differ.
        [[nodiscard]] bool sameKind(const Reading &other) const;
    };

    std::function<double()> mClock;
    std::optional<Reading> mCandidate;
    double mCandidateSince = 0.0;
    std::optional<Reading> mSpoken;
    double mSpokenAt = 0.0;
    // The frame shows focus reached from the keyboard, not the focus the window gives its
    // first control at start-up, which would frame the note for everyone.
    bool mShowsFocus = false;
};

} // namespace quaverly
