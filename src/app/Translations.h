// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QLocale;

namespace quaverly {

// Installs the window's translators for the user's languages, once per run
// (later calls do nothing): English plural forms always (English is the
// source language, so every other text needs none), the first of the
// locale's languages Quaverly is translated to, and then Qt's own texts
// (standard buttons, the file dialog) in that language. A locale without a
// translation keeps the whole window English, Qt's texts included. Main
// thread, after the application object exists and before windows are built.
void installTranslations(const QLocale &locale);

} // namespace quaverly
