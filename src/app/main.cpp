// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Controller.h"
#include "app/SignalWatcher.h"
#include "audio/PulseAudioHardware.h"

#include <QApplication>
#include <QIcon>

#include <memory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("quillfen"));
    QApplication::setApplicationName(QStringLiteral("Quaverly"));
    QApplication::setApplicationVersion(QStringLiteral(QUAVERLY_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("quaverly"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("quaverly"),
                                                 QIcon(QStringLiteral(":/images/quaverly.svg"))));
    // The controller quits when its main window closes, even while the help
    // panel is still open.
    QApplication::setQuitOnLastWindowClosed(false);

    // SIGTERM and SIGINT end the run through the ordinary quit, so capture
    // stops and the settings are saved.
    quaverly::SignalWatcher signalWatcher(&app);

    quaverly::Controller controller(std::make_shared<quaverly::PulseAudioHardware>());
    controller.awakeFromNib();
    QMetaObject::invokeMethod(&controller, &quaverly::Controller::applicationDidFinishLaunching,
                              Qt::QueuedConnection);
    return QApplication::exec();
}
