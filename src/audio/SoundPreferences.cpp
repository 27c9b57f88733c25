// SPDX-License-Identifier: GPL-3.0-or-later
#include "SoundPreferences.h"

#include <QProcess>
#include <QStandardPaths>

namespace quaverly {

const std::vector<SoundSettingsCommand> &soundSettingsCommands()
{
    // pavucontrol's tab 4 is "Input Devices"; pavucontrol-qt numbers its
    // tabs the same way.
    static const std::vector<SoundSettingsCommand> commands{
        {QStringLiteral("pavucontrol"), {QStringLiteral("--tab=4")}},
        {QStringLiteral("pavucontrol-qt"), {QStringLiteral("--tab=4")}},
        {QStringLiteral("gnome-control-center"), {QStringLiteral("sound")}},
        {QStringLiteral("systemsettings"), {QStringLiteral("kcm_pulseaudio")}},
        {QStringLiteral("kcmshell6"), {QStringLiteral("kcm_pulseaudio")}},
        {QStringLiteral("kcmshell5"), {QStringLiteral("kcm_pulseaudio")}},
    };
    return commands;
}

bool openSoundPreferences(const std::vector<SoundSettingsCommand> &commands)
{
    for (const SoundSettingsCommand &command : commands) {
        const QString path = QStandardPaths::findExecutable(command.program);
        if (path.isEmpty())
            continue;
        if (QProcess::startDetached(path, command.arguments))
            return true;
    }
    return false;
}

} // namespace quaverly
