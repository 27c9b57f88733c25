// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/AutoResizeBox.h"
#include "widgets/AutoResizeStepper.h"
#include "widgets/DisclosureButton.h"
#include "widgets/ImageLibrary.h"
#include "widgets/ResizeWindow.h"

#include "support/QtApp.h"

#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

namespace quaverly {
namespace {

// A shown window holding one control of the given frame.
template <class Control>
struct Shown {
    bool appReady = (test::ensureQtApp(), true);
    QWidget window;
    Control *control = new Control(&window);
    Shown(QSize size, QRect frame)
    {
        window.resize(size);
        control->setGeometry(frame);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
};

struct PlaceRow {
    const char *what;
    QSizeF aspect; // the window's content aspect ratio (empty: none, the layout hangs from the top)
    QList<QSize> resizes;
    QRect expected; // of a control at (10, 30, 100, 20) in a 400 × 400 superview
};
void PrintTo(const PlaceRow &row, std::ostream *out) { *out << row.what; }
class PlacementTest : public ::testing::TestWithParam<PlaceRow> {};

TEST_P(PlacementTest, ControlsZoomFromTheirInitialFrameIntoTheFittedPicture)
{
    Shown<AutoResizeBox> shown({400, 400}, {10, 30, 100, 20});
    for (QSize size : GetParam().resizes) {
        const QSize old = shown.window.size();
        shown.window.resize(size);
        resizeSubviews(shown.window, old, fittedPicture(QSizeF(size), GetParam().aspect));
    }
    EXPECT_EQ(shown.control->geometry(), GetParam().expected) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(Resizes, PlacementTest, ::testing::Values(
    PlaceRow{"widened to 600", {}, {{600, 600}}, {15, 45, 150, 30}},
    PlaceRow{"taller at the same width hangs from the top", {}, {{400, 650}}, {10, 30, 100, 20}},
    PlaceRow{"scale 1.25 rounds each edge", {}, {{500, 500}}, {13, 38, 125, 25}},
    PlaceRow{"no drift after many resizes", {}, {{401, 401}, {433, 500}, {612, 700}, {399, 300}, {400, 400}},
             {10, 30, 100, 20}},
    PlaceRow{"too wide: scaled by the height, centred", {400, 400}, {{1000, 500}}, {263, 38, 125, 25}},
    PlaceRow{"too tall: scaled by the width, centred", {400, 400}, {{500, 900}}, {13, 238, 125, 25}}));

struct DiscloseRow {
    const char *what;
    bool disclosed;
    QSizeF content, visible;
    QRectF expectedFrame; // content at (100, 50) under 20 of bars, box 400 × 180, shown 500
};
void PrintTo(const DiscloseRow &row, std::ostream *out) { *out << row.what; }
class DiscloseTest : public ::testing::TestWithParam<DiscloseRow> {};

TEST_P(DiscloseTest, GrowsAndShrinksFromTheTopCappedAtTheScreen)
{
    const DiscloseRow &row = GetParam();
    const QRectF frame(100, 30, row.content.width(), row.content.height() + 20);
    EXPECT_EQ(discloseGeometry(row.disclosed, 500, {400, 180}, QRectF(QPointF(100, 50), row.content), frame,
                               row.visible.height(), row.visible.width()).frame, row.expectedFrame) << row.what;
}

INSTANTIATE_TEST_SUITE_P(Examples, DiscloseTest, ::testing::Values(
    DiscloseRow{"hide at k = 1.5", false, {600, 750}, {2000, 2000}, {100, 30, 600, 290}},
    DiscloseRow{"taller than the screen: 600 × 700 / 770 floored", true, {600, 270}, {2000, 700}, {100, 30, 545, 700}},
    DiscloseRow{"wider than the screen: 770 × 500 / 600 floored", true, {600, 270}, {500, 2000}, {100, 30, 500, 641}},
    DiscloseRow{"unusable sizes change nothing", true, {0, 0}, {700, 700}, {}}));

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
    // Too small for a focus ring: the drawing must be exactly the named picture.
    Shown<DisclosureButton> shown({100, 100}, {20, 20, 8, 8});
    DisclosureButton *button = shown.control;
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
        QImage drawn(8, 8, QImage::Format_ARGB32_Premultiplied), expected(8, 8, QImage::Format_ARGB32_Premultiplied);
        drawn.fill(Qt::transparent), expected.fill(Qt::transparent);
        button->render(&drawn, QPoint(), QRegion(), QWidget::DrawChildren);
        QPainter painter(&expected);
        painter.setRenderHint(QPainter::Antialiasing);
        ImageLibrary::image(QString::fromLatin1(picture)).draw(painter, QRectF(0, 0, 8, 8));
        painter.end();
        EXPECT_TRUE(drawn == expected) << GetParam().what << ": step " << int(step) << " not " << picture;
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
    Shown<AutoResizeStepper> shown({200, 100}, {10, 10, 19, 27});
    AutoResizeStepper *stepper = shown.control;
    stepper->setMinimum(349.0);
    stepper->setMaximum(499.9);
    stepper->setIncrement(0.1);
    stepper->setValue(499.8);
    int steps = 0;
    QObject::connect(stepper, &AutoResizeStepper::stepped, stepper, [&] { ++steps; });
    QTest::mouseClick(stepper, Qt::LeftButton, {}, QPoint(12, 5));
    QTest::mouseClick(stepper, Qt::LeftButton, {}, QPoint(12, 5));
    EXPECT_DOUBLE_EQ(stepper->value(), 499.9) << "clamped at the maximum";
    shown.window.resize(400, 200); // twice the size: the arrows are hit where they are drawn
    resizeSubviews(shown.window, {200, 100});
    QTest::mouseClick(stepper, Qt::LeftButton, {}, QPoint(24, 44));
    EXPECT_NEAR(stepper->value(), 499.8, 1e-9) << "the lower arrow at scale 2";
    stepper->setValue(100.0);
    stepper->setFocus();
    QTest::keyClick(stepper, Qt::Key_Down);
    EXPECT_DOUBLE_EQ(stepper->value(), 349.0) << "clamped at the minimum";
    EXPECT_EQ(steps, 4) << "one action per user step, none for setValue";
}

} // namespace
} // namespace quaverly
