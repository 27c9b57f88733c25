// SPDX-License-Identifier: GPL-3.0-or-later
// Apart from the class, so a program that links both backends (the tests)
// takes neither factory.
#include "audio/QtMultimediaHardware.h"

namespace quaverly {

std::shared_ptr<AudioHardware> makeAudioHardware()
{
    return std::make_shared<QtMultimediaHardware>();
}

} // namespace quaverly
