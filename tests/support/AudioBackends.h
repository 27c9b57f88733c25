// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The audio layer's backends, for tests that run against each (they link
// quaverly_audio_pulse and quaverly_audio_qt).
#include "audio/PulseAudioHardware.h"
#include "audio/QtMultimediaHardware.h"

#include <memory>

namespace quaverly::test {

enum class AudioBackend { Pulse, Qt };

inline std::shared_ptr<AudioHardware> makeHardware(AudioBackend backend)
{
    if (backend == AudioBackend::Qt)
        return std::make_shared<QtMultimediaHardware>();
    return std::make_shared<PulseAudioHardware>();
}

inline const char *backendName(AudioBackend backend)
{
    return backend == AudioBackend::Qt ? "Qt" : "Pulse";
}

} // namespace quaverly::test
