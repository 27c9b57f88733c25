// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/Settings.h"

#include <QString>

#include <string>

namespace quaverly::test {

// Reference|tuning|tonic|transpose|disclosed|device, "-" for nothing usable stored:
// one line that a failing comparison shows whole.
inline std::string describe(const SettingsValues &v)
{
    return QStringLiteral("%1|%2|%3|%4|%5|%6")
        .arg(double(v.referencePitch), 0, 'g', 6)
        .arg(v.tuning)
        .arg(v.tonic)
        .arg(v.transpose)
        .arg(QLatin1String(v.disclosed ? (*v.disclosed ? "true" : "false") : "-"),
             v.inputDevice.value_or(QStringLiteral("-")))
        .toStdString();
}

} // namespace quaverly::test
