// SPDX-License-Identifier: GPL-3.0-or-later
#include "SpokenReading.h"

#include <QFocusEvent>
#include <QPainter>
#include <QPen>

#include <chrono>
#include <cstdlib>

namespace quaverly {
namespace {

// Speech synthesisers read "♭" as a symbol name or not at all.
QString spokenNote(QString note)
{
    note.replace(QChar(0x266D), QLatin1Char(' ') + SpokenReading::tr("flat", "accidental: B flat") + QLatin1Char(' '));
    note.replace(QChar(0x266F), QLatin1Char(' ') + SpokenReading::tr("sharp", "accidental: C sharp") + QLatin1Char(' '));
    return note.simplified();
}

double steadySeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

int sideOf(int cents, bool inTune)
{
    if (inTune || cents == 0)
        return 0;
    return cents > 0 ? 1 : -1;
}

} // namespace

SpokenReading::SpokenReading(QWidget *parent)
    : QWidget(parent), AutoResizing(*this, Content::Stretched), mClock(steadySeconds)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

QString SpokenReading::phrase(const QString &noteName, int cents, bool inTune, bool hasInput)
{
    if (!hasInput)
        return tr("no input");
    const QString note = spokenNote(noteName);
    const int side = sideOf(cents, inTune);
    if (side == 0)
        return tr("%1, in tune", "note name").arg(note);
    const int magnitude = std::abs(cents);
    if (side > 0)
        return tr("%1, %n cent(s) sharp", "note name, deviation above", magnitude).arg(note);
    return tr("%1, %n cent(s) flat", "note name, deviation below", magnitude).arg(note);
}

bool SpokenReading::Reading::sameKind(const Reading &other) const
{
    if (hasInput != other.hasInput)
        return false;
    return !hasInput || (note == other.note && side == other.side);
}

void SpokenReading::setReading(const QString &noteName, int cents, bool inTune, bool hasInput)
{
    const double now = mClock();
    Reading reading;
    reading.hasInput = hasInput;
    if (hasInput) {
        reading.note = noteName;
        reading.side = sideOf(cents, inTune);
        reading.cents = cents;
    }
    if (!mCandidate || !reading.sameKind(*mCandidate)) {
        mCandidate = reading;
        mCandidateSince = now;
    } else {
        mCandidate->cents = reading.cents;
    }

    // The first reading is published at once, so the element never goes nameless.
    if (mSpoken) {
        const bool settled = now - mCandidateSince >= kSettleSeconds;
        const bool due = now - mSpokenAt >= kMinIntervalSeconds;
        const bool news = !mCandidate->sameKind(*mSpoken)
                          || (mCandidate->side != 0 && std::abs(mCandidate->cents - mSpoken->cents) >= kCentsStep);
        if (!settled || !due || !news)
            return;
    }
    mSpoken = mCandidate;
    mSpokenAt = now;
    const QString name = phrase(mSpoken->note, mSpoken->cents, mSpoken->side == 0, mSpoken->hasInput);
    if (name == accessibleName())
        return;
    // Sends QAccessible::NameChanged, which the AT-SPI bridge passes on.
    setAccessibleName(name);
}

void SpokenReading::focusInEvent(QFocusEvent *event)
{
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason)
        mShowsFocus = true;
    QWidget::focusInEvent(event);
}

void SpokenReading::focusOutEvent(QFocusEvent *event)
{
    // Coming back to the window restores the frame as it was.
    if (event->reason() != Qt::ActiveWindowFocusReason)
        mShowsFocus = false;
    QWidget::focusOutEvent(event);
}

void SpokenReading::paintEvent(QPaintEvent *)
{
    if (!hasFocus() || !mShowsFocus)
        return;
    // The style's dotted focus rectangle is lost on the dark display panel.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal line = 2.0;
    painter.setPen(QPen(palette().color(QPalette::Highlight), line));
    painter.drawRoundedRect(QRectF(rect()).adjusted(line, line, -line, -line), 3.0 * line, 3.0 * line);
}

} // namespace quaverly
