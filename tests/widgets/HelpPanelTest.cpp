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

// Runs first in its program: the panel is shared and, once loaded, never reloaded.
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
