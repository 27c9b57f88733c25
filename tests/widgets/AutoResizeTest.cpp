// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/AutoResizeBox.h"
#include "widgets/AutoResizeImageView.h"
#include "widgets/AutoResizePopUpButton.h"
#include "widgets/AutoResizeSlider.h"
#include "widgets/AutoResizeStepper.h"
#include "widgets/AutoResizeTextField.h"
#include "widgets/AutoResizeView.h"
#include "widgets/DisclosureButton.h"
#include "widgets/ResizeWindow.h"

#include "support/QtApp.h"
#include "widgets/Pixels.h"

#include <QStyleOptionSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <limits>
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
    void resize(QSize size)
    {
        window->resize(size);
        QCoreApplication::processEvents();
        EXPECT_EQ(content->size(), size) << "the content did not follow the window";
    }
};

using Factory = std::function<QWidget *(QWidget *)>;
struct Control {
    const char *name;
    Factory make;
};
void PrintTo(const Control &control, std::ostream *out) { *out << control.name; }
const Control kControls[] = {
    {"Box", [](QWidget *p) { return new AutoResizeBox(p); }},
    {"ImageView", [](QWidget *p) { return new AutoResizeImageView(p); }},
    {"PopUpButton", [](QWidget *p) { return new AutoResizePopUpButton(p); }},
    {"Slider", [](QWidget *p) { return new AutoResizeSlider(p); }},
    {"Stepper", [](QWidget *p) { return new AutoResizeStepper(p); }},
    {"TextField", [](QWidget *p) { return new AutoResizeTextField(p); }},
    {"View", [](QWidget *p) { return new AutoResizeView(p); }},
    {"DisclosureButton", [](QWidget *p) { return new DisclosureButton(p); }},
};

struct ResizeRow {
    const char *what;
    QRect frame; // in a 400 × 400 superview
    QList<QSize> resizes;
    QRect expected;
};

void PrintTo(const ResizeRow &row, std::ostream *out) { *out << row.what; }

// (10, 350, 100, 20) counted from the bottom of 400 is 30 from the top.
const ResizeRow kResizeRows[] = {
    {"widened to 600", {10, 30, 100, 20}, {{600, 600}}, {15, 45, 150, 30}},
    {"taller at the same width keeps its place", {10, 30, 100, 20}, {{400, 650}}, {10, 30, 100, 20}},
    {"scale 1.25 rounds each edge", {10, 30, 100, 20}, {{500, 500}}, {13, 38, 125, 25}},
    {"no drift after many resizes", {37, 71, 113, 29},
     {{401, 401}, {433, 500}, {517, 517}, {612, 700}, {399, 300}, {777, 777}, {1013, 900}, {400, 400}},
     {37, 71, 113, 29}},
};

class PlacementTest
    : public ::testing::TestWithParam<std::tuple<Control, ResizeRow>> {};

TEST_P(PlacementTest, EveryControlIsPlacedFromItsInitialFrame)
{
    const auto &[kind, row] = GetParam();
    Window w({400, 400});
    QWidget *control = kind.make(w.content);
    control->setGeometry(row.frame);
    control->show();
    for (QSize size : row.resizes)
        w.resize(size);
    EXPECT_EQ(control->geometry(), row.expected) << kind.name << ": " << row.what;
}

INSTANTIATE_TEST_SUITE_P(Controls, PlacementTest,
                         ::testing::Combine(::testing::ValuesIn(kControls), ::testing::ValuesIn(kResizeRows)));

// Text, images and the style's slider handle are 1.5 times larger at 1.5 times the width.
TEST(ContentScaling, TextImagesAndControlArtworkGrowWithTheWindow)
{
    Window w({400, 300});
    auto *field = new AutoResizeTextField(w.content);
    field->setGeometry(10, 10, 200, 30);
    field->setText(QStringLiteral("440.0 Hz"));
    field->setFrame(false);
    auto *dot = new AutoResizeImageView(w.content);
    dot->setGeometry(220, 10, 40, 40);
    dot->setImage(ImageLibrary::image(QStringLiteral("green28x28")));
    auto *slider = new AutoResizeSlider(w.content);
    slider->setOrientation(Qt::Horizontal);
    slider->setGeometry(10, 60, 200, 24);
    const auto text = [](QColor c) { return c.alpha() > 128 && c.lightness() < 110; };
    const auto handle = [slider] {
        QStyleOptionSlider option;
        option.initFrom(slider);
        option.orientation = Qt::Horizontal;
        option.maximum = 99;
        return slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
    };
    const QRect text1 = test::inkBounds(test::rendered(*field), text);
    const QRect dot1 = test::inkBounds(test::rendered(*dot), test::isOpaque);
    const QRect handle1 = handle();

    w.resize({600, 450});
    const QRect text15 = test::inkBounds(test::rendered(*field), text);
    ASSERT_FALSE(text1.isEmpty());
    EXPECT_NEAR(double(text15.width()) / text1.width(), 1.5, 0.12) << "text width";
    EXPECT_NEAR(double(text15.height()) / text1.height(), 1.5, 0.2) << "text height";
    EXPECT_NEAR(double(test::inkBounds(test::rendered(*dot), test::isOpaque).width()) / dot1.width(), 1.5, 0.08);
    EXPECT_NEAR(double(handle().width()) / handle1.width(), 1.5, 0.15) << "slider handle";
    EXPECT_NEAR(double(handle().height()) / handle1.height(), 1.5, 0.15) << "slider handle";

    w.resize({400, 300});
    EXPECT_EQ(test::inkBounds(test::rendered(*field), text), text1) << "text back at the initial size";
    EXPECT_EQ(handle(), handle1) << "handle back at the initial size";
}

TEST(ImageLibrary, AMissingPictureIsNullAndDrawsNothing)
{
    test::ensureQtApp();
    const Image missing = ImageLibrary::image(QStringLiteral("no-such-picture"));
    EXPECT_TRUE(missing.isNull());
    EXPECT_TRUE(missing.toImage(2.0).isNull());
    AutoResizeImageView view;
    view.resize(16, 16);
    view.setImage(missing);
    EXPECT_TRUE(test::inkBounds(test::rendered(view), test::isOpaque).isEmpty());
}

// A box places its own children, and their fonts scale once, not box scale × child scale.
TEST(ContentScaling, ChildrenOfABoxScaleOnceWithTheWindow)
{
    Window w({400, 300});
    auto *box = new AutoResizeBox(w.content);
    box->setGeometry(20, 20, 200, 100);
    auto *field = new AutoResizeTextField(box);
    field->setGeometry(10, 30, 100, 20);
    box->show();
    const qreal fontSize = field->font().pointSizeF();
    w.resize({800, 600});
    EXPECT_EQ(box->geometry(), QRect(40, 40, 400, 200));
    EXPECT_EQ(field->geometry(), QRect(20, 60, 200, 40));
    EXPECT_DOUBLE_EQ(field->font().pointSizeF(), fontSize * 2.0);
}

class EditFocusTest : public ::testing::TestWithParam<bool> {};

TEST_P(EditFocusTest, OnlyAnEditableFieldEndsEditingOnResize)
{
    const bool editable = GetParam();
    Window w({400, 300});
    auto *editor = new QLineEdit(w.content); // being edited; not a scaling control
    editor->setGeometry(10, 10, 100, 24);
    auto *field = new AutoResizeTextField(w.content);
    field->setGeometry(10, 50, 100, 24);
    field->setReadOnly(!editable);
    editor->show();
    field->show();
    w.window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.window.get()));
    editor->setFocus();
    int finished = 0;
    QObject::connect(editor, &QLineEdit::editingFinished, editor, [&] { ++finished; });
    QTest::keyClicks(editor, QStringLiteral("442"));

    w.resize({500, 375});
    EXPECT_EQ(editor->hasFocus(), !editable);
    EXPECT_EQ(finished, editable ? 1 : 0) << "the half-typed value must be committed";
}

INSTANTIATE_TEST_SUITE_P(Fields, EditFocusTest, ::testing::Bool());

struct AspectRow {
    const char *what;
    QSize userSize;
    QSize expected;
};

void PrintTo(const AspectRow &row, std::ostream *out) { *out << row.what; }

class AspectTest : public ::testing::TestWithParam<AspectRow> {};

TEST_P(AspectTest, TheWindowKeepsItsContentProportions)
{
    Window w({400, 300});
    w.window->setContentMinSize({400, 300});
    w.window->setContentAspectRatio({400, 300});
    w.window->resize(GetParam().userSize);
    QTRY_COMPARE(w.content->size(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(UserResizes, AspectTest, ::testing::Values(
    AspectRow{"wider: height follows", {600, 300}, {600, 450}},
    AspectRow{"taller only: width follows", {400, 600}, {800, 600}},
    AspectRow{"both: width leads", {500, 500}, {500, 375}},
    AspectRow{"below the minimum width", {200, 150}, {400, 300}}));

TEST(Stepper, StepsByItsIncrementWithinItsLimitsByMouseAndKeyboard)
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

    QTest::mouseClick(stepper, Qt::LeftButton, {}, QPoint(9, 5));
    QTest::mouseClick(stepper, Qt::LeftButton, {}, QPoint(9, 5));
    EXPECT_DOUBLE_EQ(stepper->value(), 499.9) << "clamped at the maximum";
    stepper->setFocus();
    QTest::keyClick(stepper, Qt::Key_Down);
    EXPECT_NEAR(stepper->value(), 499.8, 1e-9);
    stepper->setValue(std::numeric_limits<double>::quiet_NaN());
    EXPECT_NEAR(stepper->value(), 499.8, 1e-9) << "NaN ignored";
    stepper->setValue(100.0);
    QTest::mouseClick(stepper, Qt::LeftButton, {}, QPoint(9, 22));
    EXPECT_DOUBLE_EQ(stepper->value(), 349.0) << "clamped at the minimum";
    EXPECT_EQ(steps, 4) << "one action per user step, none for setValue";
}

} // namespace
} // namespace quaverly
