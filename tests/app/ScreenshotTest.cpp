// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of the whole window, settings shown and hidden, at the designed size and zoomed by
// half, for people to look at; the checks catch a window that draws nothing or lays its
// readouts out of place.
#include "ControllerFixture.h"

#include "widgets/DisclosureButton.h"
#include "widgets/ResizeWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPixmap>

#include <gtest/gtest.h>

namespace quaverly::test {
namespace {

struct ShotCase {
    const char *name;
    bool disclosed;
    double zoom;
};
class WindowShot : public ControllerFixture, public ::testing::WithParamInterface<ShotCase> {};

TEST_P(WindowShot, SavesAPictureOfTheWholeWindow)
{
    const ShotCase &c = GetParam();
    addMicrophone();
    start();
    feedTone(446.0, 1.0, 0.3);
    ResizeWindow *window = mController->window();
    if (!c.disclosed) {
        window->findChild<DisclosureButton *>(QStringLiteral("mDisclosureButton"))->setState(0);
        mController->disclosureButton();
    }
    window->setContentSize(QSizeF(window->centralWidget()->size()) * c.zoom);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->centralWidget()->width(), qRound(window->contentMinSize().width() * c.zoom));

    const QImage shot = window->grab().toImage();
    QDir().mkpath(QStringLiteral(QUAVERLY_BINARY_DIR "/screenshots"));
    const QString path = QStringLiteral(QUAVERLY_BINARY_DIR "/screenshots/%1.png").arg(QLatin1String(c.name));
    ASSERT_TRUE(shot.save(path)) << path.toStdString();

    // The note letter is drawn where its field is, at the window's scale: a share of its
    // pixels differ clearly from its corner.
    auto *note = window->findChild<QWidget *>(QStringLiteral("mNoteText"));
    EXPECT_EQ(note->width(), qRound(110 * c.zoom)) << "the note field scales with the window";
    const QRect r(note->mapTo(window, QPoint(0, 0)), note->size());
    int busy = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            busy += std::abs(qGray(shot.pixel(x, y)) - qGray(shot.pixel(r.topLeft()))) > 40;
    EXPECT_GT(busy, r.width() * r.height() / 20) << "no letter drawn in the note field";
    // The settings area is inside the window only while disclosed.
    auto *input = window->findChild<QWidget *>(QStringLiteral("mInputDevicePopUpButton"));
    EXPECT_EQ(shot.rect().contains(QRect(input->mapTo(window, QPoint(0, 0)), input->size())), c.disclosed);
}

INSTANTIATE_TEST_SUITE_P(Window, WindowShot, ::testing::Values(
    ShotCase{"window-shown-1x", true, 1.0}, ShotCase{"window-hidden-1x", false, 1.0},
    ShotCase{"window-shown-1.5x", true, 1.5}, ShotCase{"window-hidden-1.5x", false, 1.5}),
    [](const auto &info) {
        std::string n = info.param.name;
        std::replace_if(n.begin(), n.end(), [](char ch) { return !std::isalnum(static_cast<unsigned char>(ch)); }, '_');
        return n;
    });

} // namespace
} // namespace quaverly::test
