// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>

namespace quaverly::test {

// One QApplication for the whole test program (widgets, queued posts).
// Kept for the process's life, never destroyed between tests.
inline void ensureQtApp()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "quaverly-test";
    static char *argv[] = {name, nullptr};
    static QApplication *app = new QApplication(argc, argv);
    (void)app;
}

} // namespace quaverly::test
