// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

namespace quaverly {

// Whether the tuner has an input at all: the input unit's word that the
// captured source exists, and, while capture runs, capture blocks that keep
// arriving (a backstop for losses nobody reports). Main thread.
class InputPresence : public QObject {
    Q_OBJECT
public:
    explicit InputPresence(QObject *parent = nullptr);

    // From the input unit: the source vanished or returned.
    void setAnnounced(bool available);
    void setCapturing(bool capturing);
    void blockArrived();

signals:
    void availableChanged(bool available);

private:
    void update();

    QTimer mWatch;
    bool mAnnounced = true;
    bool mFlowing = true;
    bool mCapturing = false;
    bool mAvailable = true;
};

} // namespace quaverly
