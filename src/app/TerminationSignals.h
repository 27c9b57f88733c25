// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QObject;

namespace quaverly {

// SIGTERM and SIGINT become QCoreApplication::exit(0) on the main thread, so
// capture stops and the settings are saved. The POSIX implementation serves
// Linux and macOS; elsewhere this does nothing yet (a Windows port would
// answer SetConsoleCtrlHandler and WM_ENDSESSION here).
void watchTerminationSignals(QObject *context);

} // namespace quaverly
