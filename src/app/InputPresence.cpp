// SPDX-License-Identifier: GPL-3.0-or-later
#include "InputPresence.h"

namespace quaverly {

InputPresence::InputPresence(QObject *parent)
    : QObject(parent)
{
    mWatch.setSingleShot(true);
    // A stream delivers a block every 73 ms; this long without one, it is gone.
    mWatch.setInterval(400);
    connect(&mWatch, &QTimer::timeout, this, [this] {
        mFlowing = false;
        update();
    });
}

void InputPresence::setAnnounced(bool available)
{
    mAnnounced = available;
    update();
}

void InputPresence::setCapturing(bool capturing)
{
    mCapturing = capturing;
    if (capturing)
        mWatch.start();
    else
        mWatch.stop();
}

void InputPresence::blockArrived()
{
    if (mCapturing)
        mWatch.start();
    mFlowing = true;
    update();
}

void InputPresence::update()
{
    const bool available = mAnnounced && mFlowing;
    if (available == mAvailable)
        return;
    mAvailable = available;
    emit availableChanged(available);
}

} // namespace quaverly
