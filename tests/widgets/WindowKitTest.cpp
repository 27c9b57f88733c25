// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/AutoResizeBox.h"
#include "widgets/AutoResizeImageView.h"
#include "widgets/AutoResizePopUpButton.h"
#include "widgets/AutoResizeSlider.h"
#include "widgets/AutoResizeStepper.h"
#include "widgets/AutoResizeTextField.h"
#include "widgets/AutoResizeView.h"
#include "widgets/DisclosureButton.h"
#include "widgets/HelpPanel.h"
#include "widgets/ImageLibrary.h"
#include "widgets/ResizeWindow.h"

#include "support/QtApp.h"
#include "widgets/Pixels.h"

#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QSignalSpy>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTextBrowser>

#include <gtest/gtest.h>

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
    void activate()
    {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
};

template <class T>
QWidget *make(QWidget *parent)
{
    return new T(parent);
}
struct Control {
    const char *name;
    QWidget *(*make)(QWidget *);
};
void PrintTo(const Control &control, std::ostream *out) { *out << control.name; }
const Control kControls[] = {
    {"Box", make<AutoResizeBox>}, {"ImageView", make<AutoResizeImageView>},
    {"PopUpButton", make<AutoResizePopUpButton>}, {"Slider", make<AutoResizeSlider>},
    {"Stepper", make<AutoResizeStepper>}, {"TextField", make<AutoResizeTextField>},
    {"View", make<AutoResizeView>}, {"DisclosureButton", make<DisclosureButton>},
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
    const auto textInk = [&] { return test::inkBounds(test::rendered(*field), text); };
    const auto dotInk = [&] { return test::inkBounds(test::rendered(*dot), test::isOpaque); };
    const QRect text1 = textInk(), dot1 = dotInk(), handle1 = handle();
    ASSERT_FALSE(text1.isEmpty());
    w.resize({600, 450});
    EXPECT_NEAR(double(textInk().width()) / text1.width(), 1.5, 0.12) << "text width";
    EXPECT_NEAR(double(textInk().height()) / text1.height(), 1.5, 0.2) << "text height";
    EXPECT_NEAR(double(dotInk().width()) / dot1.width(), 1.5, 0.08);
    EXPECT_NEAR(double(handle().width()) / handle1.width(), 1.5, 0.15) << "slider handle";
    EXPECT_NEAR(double(handle().height()) / handle1.height(), 1.5, 0.15) << "slider handle";
    w.resize({400, 300});
    EXPECT_EQ(textInk(), text1) << "text back at the initial size";
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
    w.activate();
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

// The button's drawing must be exactly the named picture scaled into its bounds.
bool shows(DisclosureButton &button, const char *name)
{
    const QImage shown = test::rendered(button);
    QImage expected(shown.size(), QImage::Format_ARGB32_Premultiplied);
    expected.setDevicePixelRatio(shown.devicePixelRatio());
    expected.fill(Qt::transparent);
    QPainter painter(&expected);
    painter.setRenderHint(QPainter::Antialiasing);
    ImageLibrary::image(QString::fromLatin1(name)).draw(painter, QRectF(button.rect()));
    painter.end();
    return shown == expected.convertToFormat(QImage::Format_ARGB32);
}

struct ButtonFixture : Window {
    DisclosureButton *button = new DisclosureButton(content);
    int clicks = 0;

    explicit ButtonFixture(qint64 state) : Window({100, 100})
    {
        button->setGeometry(20, 20, 16, 16);
        button->setState(state);
        button->show();
        QObject::connect(button, &DisclosureButton::clicked, button, [this] { ++clicks; });
    }
};

enum class Step { PressInside, DragOutside, DragInside, ReleaseInside, ReleaseOutside };

struct ClickRow {
    const char *what;
    std::vector<std::pair<Step, const char *>> steps; // each with the picture it leaves
    qint64 endState;
    int clicks;
};

void PrintTo(const ClickRow &row, std::ostream *out) { *out << row.what; }

class ClickTest : public ::testing::TestWithParam<ClickRow> {};

TEST_P(ClickTest, PressedPictureOnlyWhileHeldInsideAndOneActionPerClick)
{
    const ClickRow &row = GetParam();
    ButtonFixture f(0);
    f.button->setFocusPolicy(Qt::NoFocus); // the ring is checked on its own
    f.button->clearFocus();
    const QPoint inside(8, 8), outside(40, 40);
    for (const auto &[step, picture] : row.steps) {
        if (step == Step::PressInside) {
            QTest::mousePress(f.button, Qt::LeftButton, {}, inside);
        } else if (step == Step::ReleaseInside || step == Step::ReleaseOutside) {
            QTest::mouseRelease(f.button, Qt::LeftButton, {}, step == Step::ReleaseInside ? inside : outside);
        } else { // QTest::mouseMove carries no buttons; send the drag as the system would
            const QPoint at = step == Step::DragInside ? inside : outside;
            QMouseEvent drag(QEvent::MouseMove, at, f.button->mapToGlobal(at), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(f.button, &drag);
        }
        EXPECT_TRUE(shows(*f.button, picture)) << row.what << ": step " << int(step) << " not " << picture;
    }
    EXPECT_EQ(f.button->state(), row.endState) << row.what;
    EXPECT_EQ(f.clicks, row.clicks) << row.what;
}

INSTANTIATE_TEST_SUITE_P(Sequences, ClickTest, ::testing::Values(
    ClickRow{"press and release inside", {{Step::PressInside, "middle"}, {Step::ReleaseInside, "down"}}, 1, 1},
    ClickRow{"drag out and release outside cancels",
             {{Step::PressInside, "middle"}, {Step::DragOutside, "right"}, {Step::ReleaseOutside, "right"}}, 0, 0},
    ClickRow{"drag out and back in still clicks",
             {{Step::PressInside, "middle"}, {Step::DragOutside, "right"}, {Step::DragInside, "middle"},
              {Step::ReleaseInside, "down"}}, 1, 1}));

TEST(DisclosureButtonKeys, SpaceTogglesLikeAClickAndTheFocusRingShows)
{
    ButtonFixture f(1);
    f.button->setGeometry(20, 20, 32, 32);
    f.activate();
    // The ring glows just outside a circle of radius width / 2 - 4 about the centre; its top
    // lies above the triangle, where nothing else is drawn.
    const QPoint ringTop(16, 3);
    f.button->clearFocus();
    EXPECT_EQ(qAlpha(test::rendered(*f.button).pixel(ringTop)), 0) << "ring without focus";
    f.button->setFocus();
    EXPECT_GT(qAlpha(test::rendered(*f.button).pixel(ringTop)), 60) << "no focus ring";

    QTest::keyPress(f.button, Qt::Key_Space);
    EXPECT_TRUE(f.button->isMiddleState());
    QTest::keyRelease(f.button, Qt::Key_Space);
    QTest::keyClick(f.button, Qt::Key_Space);
    QTest::keyClick(f.button, Qt::Key_Return);
    EXPECT_EQ(f.button->state(), 1);
    EXPECT_EQ(f.clicks, 2) << "one action per Space, none for Return";
}

struct DiscloseRow {
    const char *what;
    bool disclosed;
    QSizeF content;
    qreal visibleHeight;
    QRectF expectedFrame; // content at (100, 50) under 20 of bars, box 400 × 180, shown 500
};

void PrintTo(const DiscloseRow &row, std::ostream *out) { *out << row.what; }

class DiscloseArithmeticTest : public ::testing::TestWithParam<DiscloseRow> {};

TEST_P(DiscloseArithmeticTest, GrowsAndShrinksFromTheTopCappedAtTheScreen)
{
    const DiscloseRow &row = GetParam();
    const QRectF content(QPointF(100, 50), row.content);
    const QRectF frame(100, 30, row.content.width(), row.content.height() + 20);
    EXPECT_EQ(discloseGeometry(row.disclosed, 500, {400, 180}, content, frame, row.visibleHeight).frame,
              row.expectedFrame) << row.what;
}

INSTANTIATE_TEST_SUITE_P(Examples, DiscloseArithmeticTest, ::testing::Values(
    DiscloseRow{"show at k = 1", true, {400, 180}, 2000, {100, 30, 400, 520}},
    DiscloseRow{"hide at k = 1", false, {400, 500}, 2000, {100, 30, 400, 200}},
    DiscloseRow{"show at k = 1.5", true, {600, 270}, 2000, {100, 30, 600, 770}},
    DiscloseRow{"hide at k = 1.5", false, {600, 750}, 2000, {100, 30, 600, 290}},
    DiscloseRow{"k from a fractional width, floored", true, {401, 181}, 2000, {100, 30, 401, 521}},
    // 770 > 700: width 600 × 700 / 770 = 545.45… rounded down, top kept.
    DiscloseRow{"taller than the screen", true, {600, 270}, 700, {100, 30, 545, 700}},
    DiscloseRow{"unusable sizes change nothing", true, {0, 0}, 700, {}}));

// A real window: content 400 × 500 shown, the hidden-size box 400 × 180.
struct DiscloseFixture : Window {
    QWidget *box = new QWidget(content);
    QLineEdit *field = new QLineEdit(content); // in the area that is hidden
    int completions = 0;

    DiscloseFixture() : Window({400, 500})
    {
        box->setGeometry(0, 0, 400, 180);
        field->setGeometry(20, 300, 100, 24);
        window->setContentMinSize({400, 500});
        window->move(50, 40);
        field->show();
        activate();
    }
    void disclose(bool disclosed, int done = 1)
    {
        window->disclose(disclosed, *box, [this, done] { completions += done; });
    }
};

TEST(Disclose, TheWindowShrinksAndGrowsFromItsTopEdgeAnimated)
{
    DiscloseFixture f;
    const QRect before = f.window->contentRect();
    f.field->setFocus();
    QSignalSpy finished(f.window.get(), &ResizeWindow::frameAnimationFinished);
    f.disclose(false);
    EXPECT_FALSE(f.field->hasFocus()) << "hiding must end the editing in the hidden area";
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_EQ(f.window->contentRect(), QRect(before.topLeft(), QSize(400, 180)));
    EXPECT_EQ(f.window->contentAspectRatio(), QSizeF(400, 180));
    f.disclose(true);
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_EQ(f.window->contentRect(), before);
    EXPECT_EQ(f.window->contentAspectRatio(), QSizeF(400, 500));
    EXPECT_EQ(f.completions, 2);

    // A request while one animates replaces it, and only the newer one completes.
    f.disclose(false, 10);
    f.disclose(true, 100);
    QTRY_VERIFY_WITH_TIMEOUT(!f.window->isAnimating(), 5000);
    EXPECT_EQ(f.window->contentRect(), before);
    EXPECT_EQ(f.completions, 102);
}

QStringList gWarnings;

class HelpPanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ensureQtApp();
        gWarnings.clear();
        mPrevious = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
            // The offscreen platform warns about what it cannot do (raise a window).
            if (type == QtWarningMsg && !text.contains(QLatin1String("plugin does not support")))
                gWarnings.append(text);
        });
        HelpPanel::setBeep([this] { ++mBeeps; });
    }
    void TearDown() override
    {
        qInstallMessageHandler(mPrevious);
        HelpPanel::setBeep({});
        HelpPanel::setContentPath(QStringLiteral(":/help/index.html"));
    }
    // Centred within the window frame's margins, which the platform adds once shown.
    static bool centred(QWidget *panel)
    {
        return (panel->screen()->availableGeometry().center() - panel->frameGeometry().center())
                   .manhattanLength() <= 4;
    }

    int mBeeps = 0;
    QtMessageHandler mPrevious = nullptr;
};

// Runs before any other use of the shared panel in this program: once loaded, it is never reloaded.
TEST_F(HelpPanelTest, AMissingDescriptionLogsAndBeepsEveryTimeAndShowsNothing)
{
    HelpPanel::setContentPath(QStringLiteral(":/help/missing.html"));
    HelpPanel::showHelpPanel();
    HelpPanel::showHelpPanel();
    EXPECT_EQ(gWarnings, QStringList({"Failed to load Help.nib", "Failed to load Help.nib"}));
    EXPECT_EQ(mBeeps, 2);
    EXPECT_EQ(HelpPanel::shared().panel(), nullptr);

    HelpPanel::setContentPath(QStringLiteral(":/help/index.html"));
    HelpPanel::showHelpPanel();
    ASSERT_NE(HelpPanel::shared().panel(), nullptr) << "a later request must try again";
    EXPECT_TRUE(HelpPanel::shared().panel()->isVisible());
}

TEST_F(HelpPanelTest, LoadedOnceThenBroughtForwardWhereTheUserLeftIt)
{
    HelpPanel::showHelpPanel();
    QWidget *panel = HelpPanel::shared().panel();
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel));
    EXPECT_TRUE(centred(panel));
    const QString help = panel->findChild<QTextBrowser *>()->toPlainText();
    for (const char *topic : {"reference pitch", "strobe", "needle", "temperament", "tonic", "clarinet",
                              "alto sax", "horn", "input", "volume", "no microphone"})
        EXPECT_TRUE(help.contains(QLatin1String(topic), Qt::CaseInsensitive)) << topic;

    panel->move(panel->pos() + QPoint(37, 23));
    const QPoint moved = panel->pos();
    // Unreadable text would show as a failure if the panel were loaded again.
    HelpPanel::setContentPath(QStringLiteral(":/help/missing.html"));
    HelpPanel::showHelpPanel();
    EXPECT_EQ(HelpPanel::shared().panel(), panel);
    EXPECT_EQ(panel->pos(), moved) << "a visible panel must stay where the user put it";
    EXPECT_TRUE(gWarnings.isEmpty()) << gWarnings.join('\n').toStdString();

    QTest::keyClick(panel, Qt::Key_Escape);
    EXPECT_FALSE(panel->isVisible()) << "Escape should close the panel";
    HelpPanel::showHelpPanel();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(centred(panel)) << "reopened off centre";
}

} // namespace
} // namespace quaverly
