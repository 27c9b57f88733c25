// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReadoutPanel.h"

#include "display/StrobeView.h"
#include "display/TuningMeterView.h"
#include "music/Readouts.h"
#include "tuner/LevelMeter.h"
#include "widgets/AutoResizeImageView.h"
#include "widgets/AutoResizing.h"
#include "widgets/SpokenReading.h"

#include "ui_MainWindow.h"

#include <QCoreApplication>

#include <cmath>
#include <limits>

namespace quaverly {
namespace {

// Indexed by Lamp; by Dot (gray, green, blue, red).
constexpr std::array<const char *, 4> kLampImageNames = {"gray16x16", "green16x16", "yellow16x16", "red16x16"};
constexpr std::array<const char *, 4> kInTuneImageNames = {"gray28x28", "green28x28", "blue28x28", "gray28x28"};
constexpr std::array<const char *, 4> kSideImageNames = {"gray24x24", "gray24x24", "gray24x24", "red24x24"};

// What a readout shows when nothing is measured.
constexpr char16_t kNothing[] = u"\u2013";

template <typename Field>
void setText(Field *field, const QString &text)
{
    if (field->text() != text)
        field->setText(text);
}

std::array<Image, 4> images(const std::array<const char *, 4> &names)
{
    std::array<Image, 4> loaded;
    for (std::size_t i = 0; i < names.size(); ++i)
        loaded[i] = ImageLibrary::image(QLatin1String(names[i]));
    return loaded;
}

template <typename E>
std::size_t at(E value)
{
    return static_cast<std::size_t>(value);
}

} // namespace

ReadoutPanel::ReadoutPanel(Ui::MainWindow &ui)
    : mUi(ui)
{
}

void ReadoutPanel::prepare()
{
    for (QLineEdit *field : mUi.mContentView->findChildren<QLineEdit *>(Qt::FindDirectChildrenOnly)) {
        if (field->isReadOnly() && field->palette().color(QPalette::Base).alpha() != 0) {
            QPalette p = field->palette();
            p.setColor(QPalette::Base, Qt::transparent);
            field->setPalette(p);
        }
    }
    mLampImages = images(kLampImageNames);
    mInTuneImages = images(kInTuneImageNames);
    mSideImages = images(kSideImageNames);
}

void ReadoutPanel::show(const TunerReading &r, bool disclosed)
{
    const PitchClassName name = pitchClassName(r.note.transposedSemitone, mNaming);
    const QString letter = qs(name.stem), accidental = qs(name.accidental),
                  octave = qs(octaveText(r.note.transposedOctave));
    mUi.mSpokenReading->setReading(letter + accidental + octave, r.cents, r.inTune == Dot::Green, r.inputAvailable);
    if (!r.inputAvailable) {
        showNoInput(disclosed);
        return;
    }
    setText(mUi.mNoteText, letter);
    setText(mUi.mAccidentalText, accidental);
    setText(mUi.mOctaveText, octave);
    setText(mUi.mCentText, qs(plusMinusValueString(r.cents)));
    mUi.mTuningMeterView->setCent(static_cast<float>(r.cents));
    showDots(r.inTune, r.flat, r.sharp);
    mUi.mStrobeView->setFrequency(r.note.ideal);
    if (!disclosed)
        return;
    setText(mUi.mFrequencyText, qs(frequencyText(r.frequencyHz)));
    setText(mUi.mFrequencyDiffText, qs(plusMinusFloatString(r.frequencyHz - r.note.ideal)));
    setText(mUi.mIdealFrequencyText, qs(frequencyText(r.note.ideal)));
    showLevel(r.level, r.peakHold, QString::asprintf("%ddB", r.peakHold - 96));
}

void ReadoutPanel::showNoInput(bool disclosed)
{
    const QString nothing = QString::fromUtf16(kNothing);
    setText(mUi.mNoteText, nothing);
    setText(mUi.mAccidentalText, QString());
    setText(mUi.mOctaveText, QString());
    setText(mUi.mCentText, QCoreApplication::translate("ReadoutPanel", "no input", "instead of the cents"));
    // A needle at NaN cents is not drawn; the scale stays.
    if (!std::isnan(mUi.mTuningMeterView->cent()))
        mUi.mTuningMeterView->setCent(std::numeric_limits<float>::quiet_NaN());
    showDots(Dot::Gray, Dot::Gray, Dot::Gray);
    mUi.mStrobeView->setData(nullptr);
    if (!disclosed)
        return;
    for (auto *field : {mUi.mFrequencyText, mUi.mFrequencyDiffText, mUi.mIdealFrequencyText})
        setText(field, nothing);
    showLevel(0, 0, nothing + QStringLiteral("dB")); // every lamp dark
}

void ReadoutPanel::showDots(Dot inTune, Dot flat, Dot sharp)
{
    mUi.mInTuneDot->setImage(mInTuneImages[at(inTune)]);
    mUi.mFlatDot->setImage(mSideImages[at(flat)]);
    mUi.mSharpDot->setImage(mSideImages[at(sharp)]);
}

void ReadoutPanel::showLevel(std::int32_t level, std::int32_t peakHold, const QString &text)
{
    const std::array<Lamp, kLevelSegments> lamps = levelSegments(level, peakHold);
    const std::array<AutoResizeImageView *, kLevelSegments> views = {
        mUi.mLevel0, mUi.mLevel1, mUi.mLevel2, mUi.mLevel3, mUi.mLevel4, mUi.mLevel5, mUi.mLevel6, mUi.mLevel7};
    for (std::size_t i = views.size(); i-- > 0;)
        views[i]->setImage(mLampImages[at(lamps[i])]);
    setText(mUi.mLevelText, text);
}

} // namespace quaverly
