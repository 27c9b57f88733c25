// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace quaverly {

// One way to bring up the desktop's sound settings at the input page.
struct SoundSettingsCommand {
    QString program;
    QStringList arguments;
};

// Mixers tried in order: pavucontrol and pavucontrol-qt at their input tab,
// then the GNOME and KDE sound settings.
[[nodiscard]] const std::vector<SoundSettingsCommand> &soundSettingsCommands();

// Starts, detached, the first command whose program is found on PATH.
// Returns whether one was started; nothing found is not an error the user
// hears of.
bool openSoundPreferences(const std::vector<SoundSettingsCommand> &commands = soundSettingsCommands());

} // namespace quaverly
