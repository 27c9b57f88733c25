// SPDX-License-Identifier: GPL-3.0-or-later
#include "NoteNamingTexts.h"

#include "app/ReadoutPanel.h"
#include "music/Readouts.h"
#include "music/TemperamentTable.h"

#include <QCoreApplication>

#include <cstdlib>

namespace quaverly {
namespace {

const char kContext[] = "NoteNamingTexts";

QString translated(const char *text)
{
    return QCoreApplication::translate("NoteNamingTexts", text);
}

// Sounding note of a written C; an upward step of one is D♭, a downward
// one of eleven C♯, the tritone both.
QString transposedName(int transpose, NoteNaming naming)
{
    if (transpose == -11)
        return qs(pitchClassText(1, naming));
    if (transpose == 6 || transpose == -6)
        return qs(enharmonicText(6, naming));
    return qs(flatSpelling(transpose, naming));
}

// The instruments pitched at a transposition; %1 is the key they are named after.
QString instruments(int transpose, NoteNaming naming)
{
    const QString key = transposedName(transpose, naming);
    switch (transpose) {
    case -9: return translated(QT_TRANSLATE_NOOP("NoteNamingTexts", "alto sax, alto clarinet"));
    case -7: return translated(QT_TRANSLATE_NOOP("NoteNamingTexts", "horn, English horn"));
    case -5: return translated(QT_TRANSLATE_NOOP("NoteNamingTexts", "alto flute"));
    case -3:
    case 8: return QCoreApplication::translate("NoteNamingTexts", "%1 clarinet", "a clarinet in the key %1").arg(key);
    case -2: return translated(QT_TRANSLATE_NOOP("NoteNamingTexts", "clarinet, trumpet, soprano sax"));
    case 0: return translated(QT_TRANSLATE_NOOP("NoteNamingTexts", "concert pitch"));
    case 2: return QCoreApplication::translate("NoteNamingTexts", "%1 trumpet", "a trumpet in the key %1").arg(key);
    case 3:
        return QCoreApplication::translate("NoteNamingTexts", "%1 clarinet, %1 trumpet", "instruments in the key %1").arg(key);
    case 10: return translated(QT_TRANSLATE_NOOP("NoteNamingTexts", "piccolo trumpet"));
    default: return {};
    }
}

} // namespace

QString transposeMenuItem(int transpose, NoteNaming naming)
{
    const QString step = transpose > 0 ? QStringLiteral("+%1").arg(transpose)
        : transpose < 0                ? QStringLiteral("\u2212%1").arg(std::abs(transpose))
                                       : QStringLiteral("0");
    const QString name = transposedName(transpose, naming);
    const QString players = instruments(transpose, naming);
    if (players.isEmpty())
        return QCoreApplication::translate("NoteNamingTexts", "%1 (%2)", "transposition in semitones, its key").arg(step, name);
    return QCoreApplication::translate("NoteNamingTexts", "%1 (%2: %3)", "transposition in semitones, its key, instruments")
        .arg(step, name, players);
}

QString temperamentToolTip(std::span<const float, 12> row, NoteNaming naming)
{
    const std::array<double, kDegrees> cents = centsFromEqual(row);
    QString lines;
    for (int k = 0; k < 12; ++k) {
        if (k > 0)
            lines += k % 4 == 0 ? QStringLiteral("\n") : QStringLiteral("   ");
        lines += qs(pitchClassText(k, naming)) + QLatin1Char(' ')
            + QString::asprintf("%+.3f", cents[static_cast<std::size_t>(k)]).replace(QLatin1Char('-'), QChar(0x2212));
    }
    return QCoreApplication::translate("NoteNamingTexts", "Cents from equal temperament, A = 0:\n%1",
                                       "%1 is three lines of note names with their cents")
        .arg(lines);
}

NamedSettingsTexts namedSettingsTexts(NoteNaming naming)
{
    const QString a4 = qs(pitchClassText(9, naming)) + QLatin1Char('4');
    const QString c = qs(pitchClassText(0, naming));
    return {
        .referenceCaption = QCoreApplication::translate("NoteNamingTexts", "%1 reference",
                                                        "caption of the reference pitch; %1 is A4").arg(a4),
        .referenceToolTip = QCoreApplication::translate("NoteNamingTexts", "Frequency of %1, 349.0 to 499.9 Hz",
                                                        "%1 is A4").arg(a4),
        .stepperName = QCoreApplication::translate("NoteNamingTexts", "%1 reference stepper", "%1 is A4").arg(a4),
        .transposeToolTip = QCoreApplication::translate("NoteNamingTexts", "The note a written %1 sounds",
                                                        "%1 is C").arg(c),
        .referenceFromNoteAction = QCoreApplication::translate("NoteNamingTexts", "Set %1 from &Played Note",
                                                               "Tuner menu; %1 is A4").arg(a4),
    };
}

} // namespace quaverly
