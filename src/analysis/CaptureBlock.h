// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <vector>

namespace quaverly {

// One analysis block of mono 32-bit float samples clamped to [-1, 1].
// Made once on the audio IO thread, then only read: whoever holds the
// pointer (the main thread's updateUI, the strobe view) shares it safely.
using CaptureBlock = std::shared_ptr<const std::vector<float>>;

} // namespace quaverly
