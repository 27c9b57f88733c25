// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Controller.h"
#include "app/TerminationSignals.h"
#include "audio/AudioHardware.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

#include <cstdio>
#include <memory>
#include <optional>

namespace {

// The exit status when the run ends with the command line (--help,
// --version, an error), nullopt to go on. Unless `final`, a bad command line
// is left for a later look.
std::optional<int> judge(QCommandLineParser &parser, const QStringList &arguments, bool final,
                         const QCommandLineOption &help, const QCommandLineOption &version)
{
    QString error;
    if (!parser.parse(arguments)) {
        error = parser.errorText();
    } else if (parser.isSet(help) || parser.isSet(version)) {
        // Before the application object exists, Qt calls the program <executable_name>.
        const QString text = parser.isSet(help)
            ? QString(parser.helpText()).replace(QStringLiteral("<executable_name>"), QStringLiteral("quaverly"))
            : QStringLiteral("quaverly %1\n").arg(QStringLiteral(QUAVERLY_VERSION));
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return 0;
    } else if (!parser.positionalArguments().isEmpty())
        error = QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().constFirst());
    if (error.isEmpty() || !final)
        return std::nullopt;
    std::fprintf(stderr, "quaverly: %s (see --help)\n", error.toLocal8Bit().constData());
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication::setOrganizationName(QStringLiteral("quillfen"));
    QApplication::setApplicationName(QStringLiteral("Quaverly"));
    QApplication::setApplicationVersion(QStringLiteral(QUAVERLY_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Chromatic instrument tuner: shows the nearest note, its deviation in cents,\n"
        "a strobe strip and a needle meter for the audio input chosen in its window.\n"
        "Qt's own options (-platform, -style, ...) are accepted too.\n"
        "Exit status 0, or 2 on a bad option."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this text and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and exit."));
    parser.addOption(help);
    parser.addOption(version);

    // QApplication needs a display and takes its own options (-platform,
    // -style, ...) out of argv, so answer what needs neither before it.
    QStringList arguments;
    bool qtOptionsMayFollow = false;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
        const QByteArray argument(argv[i]);
        qtOptionsMayFollow |= i > 0 && argument.size() > 2 && argument[0] == '-' && argument[1] != '-';
    }
    if (const auto status = judge(parser, arguments, !qtOptionsMayFollow, help, version))
        return *status;

    QApplication app(argc, argv);
    if (const auto status = judge(parser, QCoreApplication::arguments(), true, help, version))
        return *status;

    QApplication::setDesktopFileName(QStringLiteral("org.quillfen.Quaverly"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("quaverly"),
                                                 QIcon(QStringLiteral(":/images/quaverly.svg"))));
    // The controller quits when its main window closes, even while the help
    // panel is still open.
    QApplication::setQuitOnLastWindowClosed(false);

    // SIGTERM and SIGINT end the run through the ordinary quit, so capture
    // stops and the settings are saved.
    quaverly::watchTerminationSignals(&app);

    quaverly::Controller controller(quaverly::makeAudioHardware());
    controller.awakeFromNib();
    QMetaObject::invokeMethod(&controller, &quaverly::Controller::applicationDidFinishLaunching,
                              Qt::QueuedConnection);
    return QApplication::exec();
}
