// SPDX-License-Identifier: GPL-3.0-or-later
// The window in the user's language, run once per locale (LANG=de_DE.UTF-8, fr_FR.UTF-8 and an
// untranslated one, also at QT_SCALE_FACTOR=2, offscreen on a 3840 × 2160 screen): translated
// captions, menus, tool tips, Qt's own buttons and speech, and every caption fitting its box.
#include "app/WindowFixture.h"
#include "widgets/AutoResizing.h"
#include "widgets/ResizeWindow.h"
#include "widgets/SpokenReading.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QLocale>
#include <QPushButton>

namespace quaverly::test {
namespace {

// The column of the language the test runs under: English for a locale without a translation.
int column()
{
    const QLocale::Language language = QLocale::system().language();
    return language == QLocale::German ? 1 : language == QLocale::French ? 2 : 0;
}

// One text of the window in English, German and French.
struct Caption {
    const char *label, *object, *property;
    const char *text[3];
};
class TranslatedWindow : public Window, public ::testing::WithParamInterface<Caption> {};

TEST_P(TranslatedWindow, ShowsTheTextInTheLocalesLanguage)
{
    addMicrophone();
    start();
    const Caption &c = GetParam();
    QObject *object = mController->window()->findChild<QObject *>(QLatin1String(c.object));
    ASSERT_TRUE(object) << c.object;
    EXPECT_EQ(object->property(c.property).toString(), u(c.text[column()])) << QLocale::system().name().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Captions, TranslatedWindow, ::testing::Values(
    Caption{"TunerMenu", "mTunerMenu", "title", {"&Tuner", "&Stimmgerät", "&Accordeur"}},
    Caption{"SolfegeItem", "actionNamesSolfege", "text",
            {"&Solfège (Do Re Mi Fa Sol La Si)", "&Solmisation (Do Re Mi Fa Sol La Si)", "&Solfège (Do Re Mi Fa Sol La Si)"}},
    Caption{"ReferenceCaption", "mReferenceCaption", "text", {"A4 reference", "Stimmton A4", "Diapason A4"}},
    Caption{"TemperamentCaption", "mTuningCaption", "text", {"Temperament", "Stimmung", "Tempérament"}},
    Caption{"DotToolTip", "mInTuneDot", "toolTip", {"In tune within ±3 cents", "Gestimmt auf ±3 Cent genau", "Juste à ±3 cents près"}},
    Caption{"ConcertPitch", "mTransposePopUpButton", "currentText", {"0 (C: concert pitch)", "0 (C: klingend)", "0 (C : son réel)"}}),
    [](const auto &info) { return std::string(info.param.label); });

TEST_F(Window, SpeaksTheReadingAndQtsButtonsInTheLocalesLanguage)
{
    addMicrophone();
    start();
    feedTone(446.0, 2.0);
    const char *texts[][3] = {{"A4, 23 cents sharp", "A4, 23 Cent zu hoch", "A4, 23 cents trop haut"},
                              {"Si flat 4, in tune", "Si Be 4, gestimmt", "Si bémol 4, juste"},
                              {"no input", "kein Signal", "aucun signal"}, {"Cancel", "Abbrechen", "Annuler"}};
    EXPECT_EQ(widget("mSpokenReading")->accessibleName(), u(texts[0][column()]));
    mController->window()->findChild<QAction *>(QStringLiteral("actionNamesSolfege"))->trigger();
    feedTone(466.16, 2.0);
    EXPECT_EQ(widget("mSpokenReading")->accessibleName(), u(texts[1][column()]));
    mController->setInputAvailable(false);
    EXPECT_EQ(text("mCentText") + SpokenReading::phrase(u("A4"), 0, true, false), u(texts[2][column()]).repeated(2));
    QDialogButtonBox buttons(QDialogButtonBox::Cancel);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), u(texts[3][column()])) << "Qt's own translations";
}

// Every caption of the content fits its box in its own font, at the designed size and
// maximised; a readout too long for its box (the note "Sol", "Do = Re#/Mib (+3)") is set
// smaller, not clipped.
TEST_F(Window, EveryCaptionFitsItsBoxAndLongNoteNamesShrinkInsideTheNoteBox)
{
    addMicrophone();
    start();
    mController->window()->findChild<QAction *>(QStringLiteral("actionNamesSolfege"))->trigger();
    choose("mTransposePopUpButton", 14); // +3: the longest item, elided in the screenshots
    feedTone(466.16, 2.0);                // sounds B flat, reads as written G
    ResizeWindow *window = mController->window();
    const QSize designed = window->size();
    for (const qreal scale : {1.0, 1.5}) {
        window->resize((QSizeF(designed) * scale).toSize());
        QCoreApplication::processEvents();
        feedTone(466.16, 0.3); // a slow resize must not pass for silence
        int checked = 0;
        for (auto *label : window->findChildren<AutoResizeLabel *>()) {
            if (label->text().isEmpty() || !label->isVisibleTo(window))
                continue;
            const qreal room = label->contentsRect().width();
            // Captions fit as designed; a readout may be set smaller, but stays legible (the note
            // box, made for one letter, takes "Sol" at about half its size).
            const bool caption = label->objectName().endsWith(QLatin1String("Caption"));
            const double legible = label->objectName() == QLatin1String("mNoteText") ? 0.5 : 0.7;
            const QFont font = caption ? label->font() : label->fittedFont();
            const std::string what = label->objectName().toStdString() + " \"" + label->text().toStdString() + "\"";
            EXPECT_LE(QFontMetricsF(font).horizontalAdvance(label->text()), room) << what << " at " << scale;
            EXPECT_GE(font.pointSizeF(), legible * label->font().pointSizeF()) << what << " at " << scale;
            ++checked;
        }
        EXPECT_GE(checked, 15) << "captions found at " << scale;
        // For the eye: build/.../tests/i18n/window_de_DE_1.5_at2x.png and the like.
        window->grab().save(QStringLiteral(QUAVERLY_SCREENSHOT_DIR "/window_%1_%2_at%3x.png")
                                .arg(QLocale::system().name()).arg(scale).arg(window->devicePixelRatio()));
        auto *note = widget<AutoResizeLabel>("mNoteText");
        ASSERT_EQ(note->text(), u("Sol"));
        // Right-aligned: a clipped name would run into the box's left edge.
        const QImage image = window->grab(QRect(note->mapTo(window, QPoint(0, 0)), note->size())).toImage();
        int inked = 0;
        for (int y = 0; y < image.height(); ++y)
            inked += qGray(image.pixel(0, y)) > 128;
        EXPECT_EQ(inked, 0) << "the note name touches the left edge of its box at " << scale;
    }
}

} // namespace
} // namespace quaverly::test
