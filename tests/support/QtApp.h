// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>

namespace quaverly::test {

// One QApplication for the whole test program, never destroyed.
inline void ensureQtApp()
{
    static int argc = 1;
    static char name[] = "quaverly-test", *argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QApplication(argc, argv);
}

} // namespace quaverly::test
