// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/HelpPanel.h"

#include "support/QtApp.h"

#include <QScreen>
#include <QTest>
#include <QTextBrowser>

#include <gtest/gtest.h>

namespace quaverly {
namespace {

QStringList gWarnings;

void recordWarnings(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    // The offscreen platform warns about what it cannot do (raise a window).
    if (type == QtWarningMsg && !message.contains(QLatin1String("plugin does not support")))
        gWarnings.append(message);
}

class HelpPanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ensureQtApp();
        gWarnings.clear();
        mPrevious = qInstallMessageHandler(recordWarnings);
        HelpPanel::setBeep([this] { ++mBeeps; });
    }
    void TearDown() override
    {
        qInstallMessageHandler(mPrevious);
        HelpPanel::setBeep({});
        HelpPanel::setContentPath(QStringLiteral(":/help/index.html"));
    }

    int mBeeps = 0;
    QtMessageHandler mPrevious = nullptr;
};

// Runs first in the program: the panel is shared and, once loaded, never reloaded.
TEST_F(HelpPanelTest, AMissingDescriptionLogsAndBeepsEveryTimeAndShowsNothing)
{
    HelpPanel::setContentPath(QStringLiteral(":/help/missing.html"));
    HelpPanel::showHelpPanel();
    HelpPanel::showHelpPanel();
    EXPECT_EQ(gWarnings, QStringList({"Failed to load Help.nib", "Failed to load Help.nib"}));
    EXPECT_EQ(mBeeps, 2);
    EXPECT_EQ(HelpPanel::shared().panel(), nullptr);
    EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty() ||
                std::none_of(QApplication::topLevelWidgets().begin(),
                             QApplication::topLevelWidgets().end(),
                             [](QWidget *w) { return w->isVisible(); }));

    // A later request with the text in place loads it.
    HelpPanel::setContentPath(QStringLiteral(":/help/index.html"));
    HelpPanel::showHelpPanel();
    ASSERT_NE(HelpPanel::shared().panel(), nullptr);
    EXPECT_TRUE(HelpPanel::shared().panel()->isVisible());
}

TEST_F(HelpPanelTest, LoadedOnceThenBroughtForwardWhereTheUserLeftIt)
{
    HelpPanel::showHelpPanel();
    QWidget *panel = HelpPanel::shared().panel();
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel));
    const QPoint centred =
        panel->screen()->availableGeometry().center() - panel->frameGeometry().center();
    // Within the window frame's margins, which the platform adds once the panel is shown.
    EXPECT_LE(centred.manhattanLength(), 4) << "first shown off centre";

    const auto *text = panel->findChild<QTextBrowser *>();
    ASSERT_NE(text, nullptr);
    const QString help = text->toPlainText();
    for (const char *topic : {"reference pitch", "strobe", "needle", "temperament", "tonic",
                              "clarinet", "alto sax", "horn", "input", "volume"})
        EXPECT_TRUE(help.contains(QLatin1String(topic), Qt::CaseInsensitive)) << topic;

    panel->move(panel->pos() + QPoint(37, 23));
    const QPoint moved = panel->pos();
    // Unreadable text now would show as a failure if the panel were loaded again.
    HelpPanel::setContentPath(QStringLiteral(":/help/missing.html"));
    HelpPanel::showHelpPanel();
    EXPECT_EQ(HelpPanel::shared().panel(), panel);
    EXPECT_EQ(panel->pos(), moved) << "a visible panel must stay where the user put it";
    EXPECT_TRUE(gWarnings.isEmpty()) << gWarnings.join('\n').toStdString();
    EXPECT_EQ(mBeeps, 0);

    panel->close();
    HelpPanel::showHelpPanel();
    EXPECT_TRUE(panel->isVisible());
    const QPoint recentred =
        panel->screen()->availableGeometry().center() - panel->frameGeometry().center();
    EXPECT_LE(recentred.manhattanLength(), 4) << "reopened off centre";
}

} // namespace
} // namespace quaverly
