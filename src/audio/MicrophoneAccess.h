// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>

namespace quaverly {

enum class MicrophoneAuthorization { NotDetermined, Restricted, Denied, Authorized };

// The platform's permission service for recording audio. Linux desktops
// have none (PulseAudio lets any session client record), so the platform
// instance reports Authorized; the seam stays for platforms that ask.
class MicrophoneAccess {
public:
    virtual ~MicrophoneAccess() = default;
    // Whether this platform asks the user at all.
    [[nodiscard]] virtual bool isAvailable() const = 0;
    [[nodiscard]] virtual MicrophoneAuthorization authorizationStatus() const = 0;
    // The handler may run on any thread.
    virtual void requestAccess(std::function<void(bool granted)> handler) = 0;

    [[nodiscard]] static std::unique_ptr<MicrophoneAccess> platform();
};

// Asks for permission once when it has not been decided yet; the answer
// changes nothing. Called when launching has finished.
void checkMic(MicrophoneAccess &access);

// Starts, detached, the desktop's sound settings at the input page: on
// Linux the first found on PATH of pavucontrol, pavucontrol-qt, the GNOME and
// the KDE sound settings (macOS and Windows: their own, not yet tried).
// Nothing found is not an error the user hears of.
void openSoundPreferences();

} // namespace quaverly
