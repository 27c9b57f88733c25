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

// Which of the three pictures the button shows: the one whose own rendering is nearest.
QString shownPicture(DisclosureButton &button)
{
    const QImage shown = test::rendered(button);
    QString best;
    qint64 bestDistance = -1;
    for (const char *name : {"down", "right", "middle"}) {
        QImage reference(shown.size(), QImage::Format_ARGB32_Premultiplied);
        reference.setDevicePixelRatio(shown.devicePixelRatio());
        reference.fill(Qt::transparent);
        QPainter painter(&reference);
        painter.setRenderHint(QPainter::Antialiasing);
        ImageLibrary::image(QString::fromLatin1(name)).draw(painter, QRectF(button.rect()));
        painter.end();
        const QImage ref = reference.convertToFormat(QImage::Format_ARGB32);
        qint64 distance = 0;
        for (int y = 0; y < ref.height(); ++y)
            for (int x = 0; x < ref.width(); ++x)
                distance += std::abs(qAlpha(ref.pixel(x, y)) - qAlpha(shown.pixel(x, y)))
                            + std::abs(qGray(ref.pixel(x, y)) - qGray(shown.pixel(x, y)));
        if (bestDistance < 0 || distance < bestDistance) {
            bestDistance = distance;
            best = QString::fromLatin1(name);
        }
    }
    return best;
}

struct ButtonFixture {
    bool appReady = (test::ensureQtApp(), true);
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    DisclosureButton *button = nullptr;
    int clicks = 0;

    explicit ButtonFixture(qint64 state = 0)
    {
        test::ensureQtApp();
        window->resize(100, 100);
        button = new DisclosureButton(window.get());
        button->setGeometry(20, 20, 16, 16);
        button->setState(state);
        QObject::connect(button, &DisclosureButton::clicked, button, [this] { ++clicks; });
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
};

enum class Step { PressInside, MoveOutside, MoveInside, ReleaseInside, ReleaseOutside };

struct ClickRow {
    const char *what;
    std::vector<std::pair<Step, const char *>> steps; // each with the picture it should show
    qint64 endState;
    int clicks;
};

class ClickTest : public ::testing::TestWithParam<ClickRow> {};

TEST_P(ClickTest, PressedPictureOnlyWhileHeldInsideAndOneActionPerClick)
{
    const ClickRow &row = GetParam();
    ButtonFixture f(0);
    // The focus ring a click would give is checked on its own; here it would blur the pictures.
    f.button->setFocusPolicy(Qt::NoFocus);
    f.button->clearFocus();
    const QPoint inside(8, 8);
    const QPoint outside(40, 40);
    for (const auto &[step, picture] : row.steps) {
        switch (step) {
        case Step::PressInside:
            QTest::mousePress(f.button, Qt::LeftButton, {}, inside);
            break;
        case Step::MoveOutside:
        case Step::MoveInside: {
            // QTest::mouseMove carries no buttons; send the drag as the system would.
            const QPoint at = step == Step::MoveInside ? inside : outside;
            QMouseEvent drag(QEvent::MouseMove, at, f.button->mapToGlobal(at), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(f.button, &drag);
            break;
        }
        case Step::ReleaseInside:
            QTest::mouseRelease(f.button, Qt::LeftButton, {}, inside);
            break;
        case Step::ReleaseOutside:
            QTest::mouseRelease(f.button, Qt::LeftButton, {}, outside);
            break;
        }
        EXPECT_EQ(shownPicture(*f.button).toStdString(), picture)
            << row.what << ", step " << static_cast<int>(step);
    }
    EXPECT_EQ(f.button->state(), row.endState) << row.what;
    EXPECT_EQ(f.clicks, row.clicks) << row.what;
}

INSTANTIATE_TEST_SUITE_P(Sequences, ClickTest, ::testing::Values(
    ClickRow{"press and release inside",
             {{Step::PressInside, "middle"}, {Step::ReleaseInside, "down"}}, 1, 1},
    ClickRow{"drag out and release outside cancels",
             {{Step::PressInside, "middle"}, {Step::MoveOutside, "right"},
              {Step::ReleaseOutside, "right"}}, 0, 0},
    ClickRow{"drag out and back in still clicks",
             {{Step::PressInside, "middle"}, {Step::MoveOutside, "right"},
              {Step::MoveInside, "middle"}, {Step::ReleaseInside, "down"}}, 1, 1}));

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
    EXPECT_EQ(f.button->state(), 0);
    EXPECT_EQ(f.clicks, 1);
    QTest::keyClick(f.button, Qt::Key_Space);
    EXPECT_EQ(f.button->state(), 1);
    EXPECT_EQ(f.clicks, 2);
    QTest::keyClick(f.button, Qt::Key_Return);
    EXPECT_EQ(f.clicks, 2) << "only Space clicks";
}

struct DiscloseRow {
    const char *what;
    bool disclosed;
    qreal contentWidth;
    qreal contentHeight;
    qreal visibleHeight;
    QRectF expectedFrame; // content at (100, 50); 20 of bars above it in the frame
    qreal expectedContentHeight;
};

class DiscloseArithmeticTest : public ::testing::TestWithParam<DiscloseRow> {};

TEST_P(DiscloseArithmeticTest, GrowsAndShrinksFromTheTopCappedAtTheScreen)
{
    const DiscloseRow &row = GetParam();
    const QRectF content(100, 50, row.contentWidth, row.contentHeight);
    const QRectF frame(100, 30, row.contentWidth, row.contentHeight + 20);
    const DiscloseGeometry g = discloseGeometry(row.disclosed, 500, {400, 180}, content, frame,
                                                row.visibleHeight);
    EXPECT_EQ(g.frame, row.expectedFrame) << row.what;
    EXPECT_EQ(g.contentHeight, row.expectedContentHeight) << row.what;
}

INSTANTIATE_TEST_SUITE_P(Examples, DiscloseArithmeticTest, ::testing::Values(
    DiscloseRow{"show at k = 1", true, 400, 180, 2000, {100, 30, 400, 520}, 500},
    DiscloseRow{"hide at k = 1", false, 400, 500, 2000, {100, 30, 400, 200}, 180},
    DiscloseRow{"show at k = 1.5", true, 600, 270, 2000, {100, 30, 600, 770}, 750},
    DiscloseRow{"hide at k = 1.5", false, 600, 750, 2000, {100, 30, 600, 290}, 270},
    // 770 > 700: width 600 × 700 / 770 = 545.45… rounded down, top kept.
    DiscloseRow{"taller than the screen", true, 600, 270, 700, {100, 30, 545, 700}, 750},
    DiscloseRow{"k from a fractional width", true, 401, 181, 2000, {100, 30, 401, 521}, 501}));

TEST(DiscloseArithmetic, AnUnusableBoxChangesNothing)
{
    const QRectF content(0, 0, 400, 500);
    EXPECT_TRUE(discloseGeometry(true, 500, {0, 180}, content, content, 1000).frame.isNull());
    EXPECT_TRUE(discloseGeometry(true, 0, {400, 180}, content, content, 1000).frame.isNull());
}

// A real window: content 400 × 500 shown, the hidden-size box 400 × 180.
struct DiscloseFixture {
    bool appReady = (test::ensureQtApp(), true);
    std::unique_ptr<ResizeWindow> window = std::make_unique<ResizeWindow>();
    QWidget *content = new QWidget;
    QWidget *box = nullptr;
    QLineEdit *field = nullptr;

    DiscloseFixture()
    {
        test::ensureQtApp();
        window->setCentralWidget(content);
        box = new QWidget(content);
        box->setGeometry(0, 0, 400, 180);
        field = new QLineEdit(content);
        field->setGeometry(20, 300, 100, 24); // in the area that is hidden
        window->setContentMinSize({400, 500});
        window->setContentSize({400, 500});
        window->move(50, 40);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
};

TEST(Disclose, TheWindowShrinksAndGrowsFromItsTopEdgeAnimated)
{
    DiscloseFixture f;
    const QRect before = f.window->contentRect();
    f.field->setFocus();
    int completions = 0;
    QSignalSpy finished(f.window.get(), &ResizeWindow::frameAnimationFinished);

    f.window->disclose(false, *f.box, [&] { ++completions; });
    EXPECT_FALSE(f.field->hasFocus()) << "hiding must end the editing in the hidden area";
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_EQ(f.window->contentRect(), QRect(before.x(), before.y(), 400, 180));
    EXPECT_EQ(f.window->contentAspectRatio(), QSizeF(400, 180));
    EXPECT_EQ(completions, 1);

    f.window->disclose(true, *f.box, [&] { ++completions; });
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_EQ(f.window->contentRect(), QRect(before.x(), before.y(), 400, 500));
    EXPECT_EQ(f.window->contentAspectRatio(), QSizeF(400, 500));
    EXPECT_EQ(completions, 2);
}

TEST(Disclose, AWindowTallerThanTheScreenIsCutToItKeepingItsTop)
{
    DiscloseFixture f;
    f.window->setAnimationDuration(0);
    const int visible = f.window->screen()->availableGeometry().height();
    // Scale the window so that, shown, it would need twice the designed content height.
    const int k = visible / 500 + 1;
    f.window->disclose(false, *f.box);
    f.window->resize(400 * k, 180 * k);
    QCoreApplication::processEvents();
    ASSERT_EQ(f.window->contentRect().size(), QSize(400 * k, 180 * k));
    const int top = f.window->frameGeometry().top();

    f.window->disclose(true, *f.box);
    EXPECT_EQ(f.window->frameGeometry().height(), visible);
    EXPECT_EQ(f.window->frameGeometry().width(),
              static_cast<int>(std::floor(400.0 * k * float(double(visible) / (500.0 * k)))));
    EXPECT_EQ(f.window->frameGeometry().top(), top);
}

TEST(Disclose, OneRequestReplacesAnotherStillAnimating)
{
    DiscloseFixture f;
    const QRect before = f.window->contentRect();
    int completions = 0;
    f.window->disclose(false, *f.box, [&] { ++completions; });
    f.window->disclose(true, *f.box, [&] { completions += 10; });
    QTRY_VERIFY_WITH_TIMEOUT(!f.window->isAnimating(), 5000);
    EXPECT_EQ(f.window->contentRect(), before);
    EXPECT_EQ(completions, 10) << "only the newer request completes";
}

} // namespace
} // namespace quaverly
