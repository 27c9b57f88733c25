// SPDX-License-Identifier: GPL-3.0-or-later
#include "HelpPanel.h"

#include "ui_Help.h"

#include <QApplication>
#include <QDebug>
#include <QFile>
#include <QScreen>
#include <QShortcut>

namespace quaverly {

void HelpPanel::showHelpPanel()
{
    // Never destroyed: the panel is a top-level widget and must not outlive the application.
    static auto *instance = new HelpPanel;
    instance->show();
}

bool HelpPanel::load()
{
    QFile file(QStringLiteral(":/help/index.html"));
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
        QApplication::beep();
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
