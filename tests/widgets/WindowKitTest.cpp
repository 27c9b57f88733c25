// SPDX-License-Identifier: GPL-3.0-or-later
// The window kit, and the main window on real screen sizes: offscreen on two screens
// (1920 × 1080 and 1366 × 768, screens.json) and, with QUAVERLY_WM set
// (with-window-manager.sh), on a 1920 × 1080 Xvfb under openbox, sized by wmctrl as a desktop
// would. Also the help's transpositions against the window's pop-up.
#include "app/NoteNamingTexts.h"
#include "widgets/AutoResizing.h"
#include "widgets/AutoResizeStepper.h"
#include "widgets/ImageLibrary.h"
#include "widgets/ResizeWindow.h"

#include "support/QtApp.h"

#include "ui_MainWindow.h"

#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTextDocumentFragment>

#include <gtest/gtest.h>

#include <map>

namespace quaverly {
namespace {

using test::Shown, test::kRowName;

struct PlaceRow {
    const char *name;
    QSizeF aspect; // the window's content aspect ratio (empty: none, the layout hangs from the top)
    QList<QSize> resizes;
    QRect expected; // of a control at (10, 30, 100, 20) in a 400 × 400 superview
};
class PlacementTest : public ::testing::TestWithParam<PlaceRow> {};

TEST_P(PlacementTest, ControlsZoomFromTheirInitialFrameIntoTheFittedPicture)
{
    Shown<AutoResizeBox> shown({400, 400}, {10, 30, 100, 20});
    for (QSize size : GetParam().resizes) {
        const QSize old = shown.window.size();
        shown.window.resize(size);
        resizeSubviews(shown.window, old, fittedPicture(QSizeF(size), GetParam().aspect));
    }
    EXPECT_EQ(shown.view->geometry(), GetParam().expected);
    EXPECT_DOUBLE_EQ(shown.view->font().pointSizeF(), QApplication::font(shown.view).pointSizeF() * shown.view->width() / 100)
        << "the text is not zoomed with its frame";
}

INSTANTIATE_TEST_SUITE_P(Resizes, PlacementTest, ::testing::Values(
    PlaceRow{.name = "TallerHangsFromTheTop", .aspect = {}, .resizes = {{400, 650}}, .expected = {10, 30, 100, 20}},
    PlaceRow{.name = "ScaleRoundsEachEdge", .aspect = {}, .resizes = {{500, 500}}, .expected = {13, 38, 125, 25}},
    PlaceRow{.name = "NoDriftAfterManyResizes", .aspect = {},
             .resizes = {{401, 401}, {433, 500}, {612, 700}, {399, 300}, {400, 400}}, .expected = {10, 30, 100, 20}},
    PlaceRow{.name = "TooWideScaledByHeightCentred", .aspect = {400, 400}, .resizes = {{1000, 500}}, .expected = {263, 38, 125, 25}},
    PlaceRow{.name = "TooTallScaledByWidthCentred", .aspect = {400, 400}, .resizes = {{500, 900}}, .expected = {13, 238, 125, 25}}),
    kRowName);

TEST(Stepper, StepsByItsIncrementClampedAtItsLimitsByMouseAndKeyboardAtAnyScale)
{
    Shown<AutoResizeStepper> shown({200, 100}, {10, 10, 19, 27});
    AutoResizeStepper *stepper = shown.view;
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

// A disclosed content of 960 × 1200 under a 30-point title bar, on screens of a given visible size.
// Sizes not known yet (an empty box or content) give no geometry rather than an infinite or empty frame.
struct FitRow {
    const char *name;
    qreal visibleHeight, visibleWidth;
    QRectF expected;
    QSizeF box = {480, 400};
    qreal contentWidth = 960, contentHeight = 1200;
};
class DiscloseFitTest : public ::testing::TestWithParam<FitRow> {};

TEST_P(DiscloseFitTest, AFrameTooLargeForTheScreenShrinksBothWaysByTheSameFactor)
{
    const FitRow &row = GetParam();
    const DiscloseGeometry fit = discloseGeometry(true, 600, row.box, {0, 0, row.contentWidth, 800}, {10, 20, 960, 830},
                                                  row.visibleHeight, row.visibleWidth);
    EXPECT_EQ(fit.frame, row.expected);
    EXPECT_EQ(fit.contentHeight, row.contentHeight);
}

INSTANTIATE_TEST_SUITE_P(Visible, DiscloseFitTest, ::testing::Values(
    FitRow{.name = "UnknownScreen", .visibleHeight = 0, .visibleWidth = 0, .expected = {10, 20, 960, 1230}},
    FitRow{.name = "TooShort", .visibleHeight = 615, .visibleWidth = 0, .expected = {10, 20, 480, 615}},
    FitRow{.name = "TooNarrow", .visibleHeight = 0, .visibleWidth = 480, .expected = {10, 20, 480, 615}},
    FitRow{.name = "NoBoxWidth", .visibleHeight = 0, .visibleWidth = 0, .expected = {}, .box = {0, 400}, .contentHeight = 0},
    FitRow{.name = "NoBoxHeight", .visibleHeight = 0, .visibleWidth = 0, .expected = {}, .box = {480, 0}, .contentHeight = 0},
    FitRow{.name = "NoContentWidth", .visibleHeight = 0, .visibleWidth = 0, .expected = {}, .contentWidth = 0,
           .contentHeight = 0}), kRowName);

TEST(Image, AMissingPictureDrawsNothing)
{
    test::ensureQtApp();
    QImage canvas(8, 8, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    ImageLibrary::image(QStringLiteral("no-such-picture")).draw(painter, QRectF(0, 0, 8, 8));
    painter.end();
    EXPECT_EQ(canvas.pixel(4, 4), 0u);
}

const bool kUnderWm = qEnvironmentVariableIsSet("QUAVERLY_WM");
constexpr char kTitle[] = "QuaverlyWindowSizeTest";

// Before the program's one QApplication: offscreen, the two screens of screens.json.
struct Screens : ::testing::Environment {
    void SetUp() override
    {
        if (!kUnderWm)
            qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" QUAVERLY_SCREENS);
    }
};
const auto *const kScreens = ::testing::AddGlobalTestEnvironment(new Screens);

enum class Size { Designed, Maximised, Tiled, FullScreen };
struct SizeRow {
    const char *name;
    int screen;
    Size size;
};
class WindowSizeTest : public ::testing::TestWithParam<SizeRow> {};

TEST_P(WindowSizeTest, TheWholeTunerIsVisibleScaledByTheLimitingDimensionAndCentred)
{
    test::ensureQtApp();
    const QList<QScreen *> screens = QGuiApplication::screens();
    if (kUnderWm && GetParam().screen > 0)
        GTEST_SKIP() << "the window manager's display has one screen";
    ASSERT_LT(GetParam().screen, screens.size()) << "the screens of screens.json are missing";
    QScreen *screen = screens[GetParam().screen];
    ResizeWindow window;
    Ui::MainWindow ui;
    ui.setupUi(&window);
    window.setWindowTitle(QLatin1String(kTitle));
    const QSizeF designed = ui.mContentView->property("designedSize").toSizeF();
    window.setContentMinSize(designed);
    window.setContentSize(designed);
    window.setContentAspectRatio(designed);
    window.setScreen(screen);
    const QRect usable = screen->availableGeometry();
    window.move(usable.topLeft());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QSize decorations = window.frameGeometry().size() - window.size();
    const QString half = QStringLiteral("0,%1,%2,%3,%4").arg(usable.x()).arg(usable.y()).arg(usable.width() / 2);
    if (GetParam().size == Size::FullScreen)
        window.showFullScreen();
    else if (GetParam().size != Size::Designed && kUnderWm)
        ASSERT_EQ(QProcess::execute("wmctrl", GetParam().size == Size::Maximised
            ? QStringList{"-r", kTitle, "-b", "add,maximized_vert,maximized_horz"}
            : QStringList{"-r", kTitle, "-e", half.arg(usable.height())}), 0);
    else if (GetParam().size == Size::Maximised)
        window.showMaximized();
    else if (GetParam().size == Size::Tiled)
        window.resize(usable.width() / 2 - decorations.width(), usable.height() - decorations.height());
    QTest::qWait(kUnderWm ? 1500 : 300); // the window manager's answer and the aspect correction

    // A maximised or full-screen window's frame is the window manager's; the one the window
    // asks for itself must fit the usable area.
    const bool managed = GetParam().size == Size::Maximised || GetParam().size == Size::FullScreen;
    const QRect shown = managed ? window.geometry() : window.frameGeometry();
    EXPECT_TRUE((managed ? screen->geometry() : usable).contains(shown))
        << shown.width() << " x " << shown.height() << " at " << shown.x() << ", " << shown.y() << ": off the screen";
    const QSize area = ui.mContentView->size();
    const qreal scale = std::min(area.width() / designed.width(), area.height() / designed.height());
    EXPECT_NEAR(ui.mDisplayPanel->width(), 480 * scale, 2) << "not scaled by the limiting dimension";
    EXPECT_NEAR(ui.mDisplayPanel->x(), area.width() - ui.mDisplayPanel->geometry().right() - 1, 2) << "not centred";
    int settings = 0;
    for (QWidget *control : ui.mContentView->findChildren<QWidget *>()) {
        const auto *placed = dynamic_cast<AutoResizing *>(control);
        if (!placed || control->parentWidget() != ui.mContentView)
            continue;
        settings += placed->originalFrame().top() >= 400;
        EXPECT_TRUE(QRect(QPoint(), area).contains(control->geometry()))
            << control->objectName().toStdString() << " out of reach";
    }
    EXPECT_GT(settings, 5) << "the settings area was not laid out";
}

INSTANTIATE_TEST_SUITE_P(Screens, WindowSizeTest, ::testing::Values(
    SizeRow{"MaximisedOn1920x1080", 0, Size::Maximised},
    SizeRow{"LeftHalfOf1920x1080", 0, Size::Tiled},
    SizeRow{"DesignedSizeOn1366x768", 1, Size::Designed},
    SizeRow{"FullScreenOn1366x768", 1, Size::FullScreen}), kRowName);

// Each instrument of the help's table has the setting of the pop-up item naming it ("B♭:
// clarinet, trumpet" names the B♭ clarinet and trumpet; "A: A clarinet" the A clarinet).
TEST(Help, TranspositionsAreThePopUpsSettings)
{
    test::ensureQtApp();
    std::map<QString, int> popUp, help;
    const auto add = [](std::map<QString, int> &to, const QRegularExpressionMatch &m, int key, int list, int setting) {
        for (const QString &name : m.captured(list).split(QStringLiteral(", ")))
            to[(m.capturedLength(key) == 0 || name.startsWith(m.captured(key) + u' ') ? name
                   : m.captured(key) + u' ' + name).toLower()] = m.captured(setting).replace(u'−', u'-').toInt();
    };
    const QRegularExpression item(QStringLiteral("^([−+]?\\d+) \\(([A-G][♭♯]?): (.*)\\)$"));
    for (int t = -11; t <= 11; ++t)
        add(popUp, item.match(transposeMenuItem(t, NoteNaming::English)), 2, 3, 1);
    QFile file(QStringLiteral(":/help/index.html"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QRegularExpression row(
        QStringLiteral("^(([A-G][♭♯]?) )?([^\\n]+)\\n([-+]?\\d+)\\n"), QRegularExpression::MultilineOption);
    for (auto rows = row.globalMatch(QTextDocumentFragment::fromHtml(QString::fromUtf8(file.readAll())).toPlainText());
         rows.hasNext();)
        add(help, rows.next(), 2, 3, 4);
    int checked = 0;
    for (const auto &[name, setting] : help)
        if (popUp.contains(name)) {
            EXPECT_EQ(popUp[name], setting) << name.toStdString();
            ++checked;
        }
    EXPECT_GE(checked, 8) << "the help's transposition table was not found";
}

} // namespace
} // namespace quaverly
