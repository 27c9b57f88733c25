// SPDX-License-Identifier: GPL-3.0-or-later
#include "MicrophoneAccess.h"

#include <QProcess>
#include <QtGlobal>
#include <QStandardPaths>

#include <array>
#include <utility>

namespace quaverly {

namespace {

// PulseAudio and PipeWire's pulse server let every session client record;
// there is nobody to ask.
class UnrestrictedMicrophoneAccess final : public MicrophoneAccess {
public:
    bool isAvailable() const override { return false; }
    MicrophoneAuthorization authorizationStatus() const override { return MicrophoneAuthorization::Authorized; }
    void requestAccess(std::function<void(bool)> handler) override
    {
        if (handler)
            handler(true);
    }
};

} // namespace

std::unique_ptr<MicrophoneAccess> MicrophoneAccess::platform()
{
    return std::make_unique<UnrestrictedMicrophoneAccess>();
}

void checkMic(MicrophoneAccess &access)
{
    if (!access.isAvailable())
        return;
    if (access.authorizationStatus() != MicrophoneAuthorization::NotDetermined)
        return;
    // The answer changes nothing: capture carries on with what it gets.
    access.requestAccess([](bool) {});
}

void openSoundPreferences()
{
    // Each platform's settings at the input page, first found first.
#if defined(Q_OS_MACOS)
    static constexpr std::array<std::pair<const char *, const char *>, 1> kCommands{{
        {"open", "x-apple.systempreferences:com.apple.preference.sound?input"},
    }};
#elif defined(Q_OS_WIN)
    static constexpr std::array<std::pair<const char *, const char *>, 1> kCommands{{
        {"explorer.exe", "ms-settings:sound"},
    }};
#else
    // Linux desktops. pavucontrol's tab 4 is "Input Devices"; pavucontrol-qt
    // numbers its tabs the same way.
    static constexpr std::array<std::pair<const char *, const char *>, 6> kCommands{{
        {"pavucontrol", "--tab=4"},
        {"pavucontrol-qt", "--tab=4"},
        {"gnome-control-center", "sound"},
        {"systemsettings", "kcm_pulseaudio"},
        {"kcmshell6", "kcm_pulseaudio"},
        {"kcmshell5", "kcm_pulseaudio"},
    }};
#endif
    for (const auto &[program, argument] : kCommands) {
        const QString path = QStandardPaths::findExecutable(QLatin1String(program));
        if (!path.isEmpty() && QProcess::startDetached(path, {QLatin1String(argument)}))
            return;
    }
}

} // namespace quaverly
