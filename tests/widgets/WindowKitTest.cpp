// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/AutoResizeBox.h"
#include "widgets/AutoResizeStepper.h"
#include "widgets/DisclosureButton.h"
#include "widgets/HelpPanel.h"
#include "widgets/ImageLibrary.h"
#include "widgets/ResizeWindow.h"

#include "support/QtApp.h"

#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace quaverly {
namespace {

// A shown window whose whole client area is the content, so its size is the superview's.
struct Window {
    bool appReady = (test::ensureQtApp(), true);
    std::unique_ptr<ResizeWindow> window = std::make_unique<ResizeWindow>();
    QWidget *content = new QWidget;

    explicit Window(QSize size)
    {
        window->setCentralWidget(content);
        window->resize(size);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
};

struct PlaceRow {
    const char *what;
    QSizeF aspect; // the window's content aspect ratio (empty: no lock)
    QList<QSize> resizes;
    QRect expected; // of a control at (10, 30, 100, 20) in a 400 × 400 superview
};

void PrintTo(const PlaceRow &row, std::ostream *out) { *out << row.what; }

class PlacementTest : public ::testing::TestWithParam<PlaceRow> {};

TEST_P(PlacementTest, ControlsZoomFromTheirInitialFrameIntoTheFittedPicture)
{
    test::ensureQtApp();
    QWidget superview;
    superview.resize(400, 400);
    auto *control = new AutoResizeBox(&superview);
    control->setGeometry(10, 30, 100, 20);
    for (QSize size : GetParam().resizes) {
        const QSize old = superview.size();
        superview.resize(size);
        resizeSubviews(superview, old, fittedPicture(QSizeF(size), GetParam().aspect));
    }
    EXPECT_EQ(control->geometry(), GetParam().expected) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(Resizes, PlacementTest, ::testing::Values(
    PlaceRow{"widened to 600", {}, {{600, 600}}, {15, 45, 150, 30}},
    PlaceRow{"taller at the same width hangs from the top", {}, {{400, 650}}, {10, 30, 100, 20}},
    PlaceRow{"scale 1.25 rounds each edge", {}, {{500, 500}}, {13, 38, 125, 25}},
    PlaceRow{"no drift after many resizes", {}, {{401, 401}, {433, 500}, {612, 700}, {399, 300}, {400, 400}},
             {10, 30, 100, 20}},
    PlaceRow{"too wide: scaled by the height, centred", {400, 400}, {{1000, 500}}, {263, 38, 125, 25}},
    PlaceRow{"too tall: scaled by the width, centred", {400, 400}, {{500, 900}}, {13, 238, 125, 25}}));

TEST(FittedPicture, KeepsTheAspectRatioCentredInsideTheArea)
{
    EXPECT_EQ(fittedPicture({1920, 1050}, {480, 700}), QRectF(600, 0, 720, 1050));
    EXPECT_EQ(fittedPicture({960, 1050}, {480, 700}), QRectF(120, 0, 720, 1050));
    EXPECT_EQ(fittedPicture({960, 2000}, {480, 700}), QRectF(0, 300, 960, 1400));
    EXPECT_EQ(fittedPicture({300, 200}, {}), QRectF(0, 0, 300, 200)) << "no ratio: the whole area";
}

struct DiscloseRow {
    const char *what;
    bool disclosed;
    QSizeF content;
    QSizeF visible;
    QRectF expectedFrame; // content at (100, 50) under 20 of bars, box 400 × 180, shown 500
};

void PrintTo(const DiscloseRow &row, std::ostream *out) { *out << row.what; }

class DiscloseArithmeticTest : public ::testing::TestWithParam<DiscloseRow> {};

TEST_P(DiscloseArithmeticTest, GrowsAndShrinksFromTheTopCappedAtTheScreen)
{
    const DiscloseRow &row = GetParam();
    const QRectF frame(100, 30, row.content.width(), row.content.height() + 20);
    EXPECT_EQ(discloseGeometry(row.disclosed, 500, {400, 180}, QRectF(QPointF(100, 50), row.content), frame,
                               row.visible.height(), row.visible.width()).frame, row.expectedFrame) << row.what;
}

INSTANTIATE_TEST_SUITE_P(Examples, DiscloseArithmeticTest, ::testing::Values(
    DiscloseRow{"show at k = 1", true, {400, 180}, {2000, 2000}, {100, 30, 400, 520}},
    DiscloseRow{"hide at k = 1.5", false, {600, 750}, {2000, 2000}, {100, 30, 600, 290}},
    DiscloseRow{"k from a fractional width, floored", true, {401, 181}, {2000, 2000}, {100, 30, 401, 521}},
    DiscloseRow{"taller than the screen: 600 × 700 / 770 floored", true, {600, 270}, {2000, 700}, {100, 30, 545, 700}},
    DiscloseRow{"wider than the screen: 770 × 500 / 600 floored", true, {600, 270}, {500, 2000}, {100, 30, 500, 641}},
    DiscloseRow{"unusable sizes change nothing", true, {0, 0}, {700, 700}, {}}));

// The button's drawing must be exactly the named picture scaled into its bounds.
bool shows(DisclosureButton &button, const char *name)
{
    QImage shown(button.size(), QImage::Format_ARGB32_Premultiplied), expected = shown;
    shown.fill(Qt::transparent);
    expected.fill(Qt::transparent);
    button.render(&shown, QPoint(), QRegion(), QWidget::DrawChildren);
    QPainter painter(&expected);
    painter.setRenderHint(QPainter::Antialiasing);
    ImageLibrary::image(QString::fromLatin1(name)).draw(painter, QRectF(button.rect()));
    return shown == expected;
}

enum class Step { Press, DragOut, DragIn, Release, ReleaseOut, SpacePress, SpaceRelease };

struct ClickRow {
    const char *what;
    std::vector<std::pair<Step, const char *>> steps; // each with the picture it leaves
    int clicks;
};

void PrintTo(const ClickRow &row, std::ostream *out) { *out << row.what; }

class ClickTest : public ::testing::TestWithParam<ClickRow> {};

TEST_P(ClickTest, PressedPictureOnlyWhileHeldInsideAndOneActionPerClick)
{
    Window w({100, 100});
    auto *button = new DisclosureButton(w.content);
    button->setGeometry(20, 20, 8, 8); // too small for a focus ring, which is not part of the pictures
    button->show();
    button->setFocus();
    int clicks = 0;
    QObject::connect(button, &DisclosureButton::clicked, button, [&] { ++clicks; });
    for (const auto &[step, picture] : GetParam().steps) {
        const QPoint at = step == Step::DragOut || step == Step::ReleaseOut ? QPoint(40, 40) : QPoint(4, 4);
        if (step == Step::Press)
            QTest::mousePress(button, Qt::LeftButton, {}, at);
        else if (step == Step::Release || step == Step::ReleaseOut)
            QTest::mouseRelease(button, Qt::LeftButton, {}, at);
        else if (step == Step::SpacePress || step == Step::SpaceRelease)
            QTest::sendKeyEvent(step == Step::SpacePress ? QTest::Press : QTest::Release, button, Qt::Key_Space, ' ', {});
        else { // a drag as the system sends it: QTest::mouseMove carries no buttons
            QMouseEvent drag(QEvent::MouseMove, at, button->mapToGlobal(at), Qt::NoButton, Qt::LeftButton, {});
            QCoreApplication::sendEvent(button, &drag);
        }
        EXPECT_TRUE(shows(*button, picture)) << GetParam().what << ": step " << int(step) << " not " << picture;
    }
    EXPECT_EQ(button->state(), clicks % 2) << GetParam().what;
    EXPECT_EQ(clicks, GetParam().clicks) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(Sequences, ClickTest, ::testing::Values(
    ClickRow{"press and release inside", {{Step::Press, "middle"}, {Step::Release, "down"}}, 1},
    ClickRow{"drag out and release outside cancels",
             {{Step::Press, "middle"}, {Step::DragOut, "right"}, {Step::ReleaseOut, "right"}}, 0},
    ClickRow{"drag out and back in still clicks",
             {{Step::Press, "middle"}, {Step::DragOut, "right"}, {Step::DragIn, "middle"}, {Step::Release, "down"}}, 1},
    ClickRow{"Space twice", {{Step::SpacePress, "middle"}, {Step::SpaceRelease, "down"}, {Step::SpacePress, "middle"},
                             {Step::SpaceRelease, "right"}}, 2}));

TEST(Stepper, StepsByItsIncrementClampedAtItsLimitsByMouseAndKeyboardAtAnyScale)
{
    Window w({200, 100});
    auto *stepper = new AutoResizeStepper(w.content);
    stepper->setGeometry(10, 10, 19, 27);
    stepper->setMinimum(349.0);
    stepper->setMaximum(499.9);
    stepper->setIncrement(0.1);
    stepper->setValue(499.8);
    stepper->show();
    int steps = 0;
    QObject::connect(stepper, &AutoResizeStepper::stepped, stepper, [&] { ++steps; });
    QTest::mouseClick(stepper, Qt::LeftButton, {}, QPoint(12, 5));
    QTest::mouseClick(stepper, Qt::LeftButton, {}, QPoint(12, 5));
    EXPECT_DOUBLE_EQ(stepper->value(), 499.9) << "clamped at the maximum";
    w.window->resize(400, 200); // twice the size: the arrows are hit where they are drawn
    QCoreApplication::processEvents();
    QTest::mouseClick(stepper, Qt::LeftButton, {}, QPoint(24, 44));
    EXPECT_NEAR(stepper->value(), 499.8, 1e-9) << "the lower arrow at scale 2";
    stepper->setValue(100.0);
    stepper->setFocus();
    QTest::keyClick(stepper, Qt::Key_Down);
    EXPECT_DOUBLE_EQ(stepper->value(), 349.0) << "clamped at the minimum";
    EXPECT_EQ(steps, 4) << "one action per user step, none for setValue";
}

TEST(HelpPanel, AMissingDescriptionBeepsEachTimeThenLoadsOnceAndStaysWhereTheUserPutIt)
{
    test::ensureQtApp();
    int beeps = 0;
    HelpPanel::setBeep([&] { ++beeps; });
    HelpPanel::setContentPath(QStringLiteral(":/help/missing.html"));
    HelpPanel::showHelpPanel();
    HelpPanel::showHelpPanel();
    EXPECT_EQ(beeps, 2);
    EXPECT_EQ(HelpPanel::shared().panel(), nullptr);
    HelpPanel::setContentPath(QStringLiteral(":/help/index.html"));
    HelpPanel::showHelpPanel();
    QWidget *panel = HelpPanel::shared().panel();
    ASSERT_NE(panel, nullptr) << "a later request must try again";
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel));
    panel->move(panel->pos() + QPoint(37, 23));
    const QPoint moved = panel->pos();
    HelpPanel::setContentPath(QStringLiteral(":/help/missing.html")); // a reload would fail
    HelpPanel::showHelpPanel();
    EXPECT_EQ(HelpPanel::shared().panel(), panel);
    EXPECT_EQ(panel->pos(), moved) << "a visible panel must stay where the user put it";
    EXPECT_EQ(beeps, 2);
    HelpPanel::setBeep({});
}

} // namespace
} // namespace quaverly
