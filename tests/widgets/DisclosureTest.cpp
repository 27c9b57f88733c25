// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/DisclosureButton.h"
#include "widgets/ImageLibrary.h"
#include "widgets/ResizeWindow.h"

#include "support/QtApp.h"
#include "widgets/Pixels.h"

#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace quaverly {
namespace {

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

struct ButtonFixture {
    bool appReady = (test::ensureQtApp(), true);
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    DisclosureButton *button = new DisclosureButton(window.get());
    int clicks = 0;

    explicit ButtonFixture(qint64 state)
    {
        window->resize(100, 100);
        button->setGeometry(20, 20, 16, 16);
        button->setState(state);
        QObject::connect(button, &DisclosureButton::clicked, button, [this] { ++clicks; });
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
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
    f.window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.window.get()));
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
struct DiscloseFixture {
    bool appReady = (test::ensureQtApp(), true);
    std::unique_ptr<ResizeWindow> window = std::make_unique<ResizeWindow>();
    QWidget *content = new QWidget;
    QWidget *box = new QWidget(content);
    QLineEdit *field = new QLineEdit(content); // in the area that is hidden
    int completions = 0;

    DiscloseFixture()
    {
        window->setCentralWidget(content);
        box->setGeometry(0, 0, 400, 180);
        field->setGeometry(20, 300, 100, 24);
        window->setContentMinSize({400, 500});
        window->setContentSize({400, 500});
        window->move(50, 40);
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
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

TEST(Disclose, AWindowTallerThanTheScreenIsCutToItKeepingItsTop)
{
    DiscloseFixture f;
    f.window->setAnimationDuration(0);
    const int visible = f.window->screen()->availableGeometry().height();
    const int k = visible / 500 + 1; // shown, the content would be taller than the screen
    f.disclose(false);
    f.window->resize(400 * k, 180 * k);
    QCoreApplication::processEvents();
    const int top = f.window->frameGeometry().top();
    f.disclose(true);
    EXPECT_EQ(f.window->frameGeometry().height(), visible);
    EXPECT_EQ(f.window->frameGeometry().width(), int(std::floor(400.0 * k * float(visible / (500.0 * k)))));
    EXPECT_EQ(f.window->frameGeometry().top(), top);
}

} // namespace
} // namespace quaverly
