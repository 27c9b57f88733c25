// SPDX-License-Identifier: GPL-3.0-or-later
#include "HelpPanel.h"

#include "ui_Help.h"

#include <QApplication>
#include <QDebug>
#include <QFile>
#include <QScreen>
#include <QShortcut>

namespace quaverly {
namespace {

QString &contentPath()
{
    static QString path = QStringLiteral(":/help/index.html");
    return path;
}

std::function<void()> &beep()
{
    static std::function<void()> function = [] { QApplication::beep(); };
    return function;
}

} // namespace

void HelpPanel::setContentPath(const QString &path)
{
    contentPath() = path;
}

void HelpPanel::setBeep(std::function<void()> function)
{
    beep() = function ? std::move(function) : [] { QApplication::beep(); };
}

HelpPanel &HelpPanel::shared()
{
    // Never destroyed: the panel is a top-level widget and must not outlive the application.
    static auto *instance = new HelpPanel;
    return *instance;
}

void HelpPanel::showHelpPanel()
{
    shared().show();
}

bool HelpPanel::load()
{
    QFile file(contentPath());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray html = file.readAll();
    if (html.isEmpty())
        return false;

    auto *panel = new QWidget(nullptr, Qt::Window);
    Ui::Help ui;
    ui.setupUi(panel);
    ui.helpText->setHtml(QString::fromUtf8(html));
    for (const QKeySequence &keys : {QKeySequence(QKeySequence::Close), QKeySequence(Qt::Key_Escape)})
        new QShortcut(keys, panel, panel, &QWidget::close);
    window = panel;
    return true;
}

void HelpPanel::show()
{
    if (!window && !load()) {
        qWarning().noquote() << "Failed to load Help.nib";
        beep()();
        return;
    }
    if (!window->isVisible()) {
        const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
        if (screen) {
            QRect frame = window->frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            window->move(frame.topLeft());
        }
    }
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace quaverly
