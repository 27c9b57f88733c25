// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

namespace quaverly {

// Owns the help panel: one shared instance, created on the first request and never
// destroyed. The panel is built on first use from its window description with the help text
// read from the resources at that moment; when the text cannot be read, the request logs
// "Failed to load Help.nib", beeps and shows nothing, and the next request tries again.
// A request while the panel is on screen only brings it forward; one after it was closed
// centres it again. Main thread only.
class HelpPanel {
public:
    // The help command.
    static void showHelpPanel();
    static HelpPanel &shared();

    // Loads the panel if needed and brings it to the front.
    void show();
    // The panel; null until it has been loaded.
    QWidget *panel() const { return window; }

    // Where the help text is read from (":/help/index.html"); tests point it elsewhere.
    static void setContentPath(const QString &path);
    // The beep of the failure path (QApplication::beep); tests count it.
    static void setBeep(std::function<void()> beep);

private:
    HelpPanel() = default;
    bool load();

    QPointer<QWidget> window;
};

} // namespace quaverly
