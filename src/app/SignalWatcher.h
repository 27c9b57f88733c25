// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QSocketNotifier;

namespace quaverly {

// Turns SIGTERM and SIGINT into QCoreApplication::exit(0) on the main thread
// (self-pipe: the handler only writes one byte). One instance per process;
// the previous handlers come back when it is destroyed.
class SignalWatcher : public QObject {
    Q_OBJECT
public:
    explicit SignalWatcher(QObject *parent = nullptr);
    ~SignalWatcher() override;

private:
    void readSignal();

    QSocketNotifier *mNotifier = nullptr;
};

} // namespace quaverly
