// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of the whole window, settings shown and hidden, at the designed
// size and zoomed by half, for people to look at; the checks catch a window
// that draws nothing or lays its readouts out of place.
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
    const char *file;
    bool disclosed;
    double zoom;
};

class WindowShot : public ControllerFixture, public ::testing::WithParamInterface<ShotCase> {};

// Share of pixels in the rectangle that differ clearly from its first pixel.
double busyShare(const QImage &image, const QRect &r)
{
    const QRgb first = image.pixel(r.topLeft());
    int busy = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (std::abs(qGray(p) - qGray(first)) > 40)
                ++busy;
        }
    return static_cast<double>(busy) / (r.width() * r.height());
}

TEST_P(WindowShot, SavesAPictureOfTheWholeWindow)
{
    const ShotCase &c = GetParam();
    addMicrophone();
    start();
    feedTone(446.0, 1.0, 0.3);
    auto *button = mController->window()->findChild<DisclosureButton *>(QStringLiteral("mDisclosureButton"));
    if (!c.disclosed) {
        button->setState(0);
        mController->disclosureButton();
    }
    ResizeWindow *window = mController->window();
    const QSize designed = window->centralWidget()->size();
    window->setContentSize(QSizeF(designed) * c.zoom);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->centralWidget()->width(), qRound(window->contentMinSize().width() * c.zoom));

    const QImage shot = window->grab().toImage();
    QDir().mkpath(QStringLiteral(QUAVERLY_BINARY_DIR "/screenshots"));
    const QString path = QStringLiteral(QUAVERLY_BINARY_DIR "/screenshots/") + QLatin1String(c.file);
    ASSERT_TRUE(shot.save(path)) << path.toStdString();

    // The note letter is drawn where its field is, at the window's scale.
    auto *note = window->findChild<QLineEdit *>(QStringLiteral("mNoteText"));
    const QRect noteRect(note->mapTo(window, QPoint(0, 0)), note->size());
    EXPECT_EQ(note->width(), qRound(110 * c.zoom)) << "the note field scales with the window";
    EXPECT_GT(busyShare(shot, noteRect), 0.05) << "no letter drawn in the note field";
    // The settings area is inside the window only while disclosed.
    auto *input = window->findChild<QWidget *>(QStringLiteral("mInputDevicePopUpButton"));
    const QRect inputRect(input->mapTo(window, QPoint(0, 0)), input->size());
    EXPECT_EQ(shot.rect().contains(inputRect), c.disclosed);
}

INSTANTIATE_TEST_SUITE_P(Window, WindowShot,
                         ::testing::Values(ShotCase{"window-shown-1x.png", true, 1.0},
                                           ShotCase{"window-hidden-1x.png", false, 1.0},
                                           ShotCase{"window-shown-1.5x.png", true, 1.5},
                                           ShotCase{"window-hidden-1.5x.png", false, 1.5}),
                         [](const auto &info) {
                             std::string n = info.param.file;
                             n = n.substr(0, n.size() - 4);
                             for (char &ch : n)
                                 if (!std::isalnum(static_cast<unsigned char>(ch)))
                                     ch = '_';
                             return n;
                         });

} // namespace
} // namespace quaverly::test
