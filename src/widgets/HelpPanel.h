// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

namespace quaverly {

// Owns the help panel: one shared instance, created on the first request and never
// destroyed. The panel is built on first use from its window description with the help text
// read from the resources at that moment; when the text cannot be read, the request logs
// "Failed to load Help.nib", beeps and shows nothing, and the next request tries again.
// A request while the panel is on screen only brings it forward; one after it was closed
// centres it again. Main thread only.
class HelpPanel {
public:
    // The help command: loads the panel if needed and brings it to the front.
    static void showHelpPanel();

private:
    HelpPanel() = default;
    bool load();
    void show();

    QPointer<QWidget> window;
};

} // namespace quaverly
