// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <vector>

namespace quaverly {

// In-process notification centre: observers register for a name and are
// called, in registration order, when that name is posted. Main thread only;
// another thread posts with QMetaObject::invokeMethod onto the main thread.
// An observer is dropped when its context object is destroyed.
class NotificationCenter {
public:
    using Handler = std::function<void()>;

    static NotificationCenter &defaultCenter();

    void addObserver(QObject *context, const QString &name, Handler handler);
    void removeObserver(QObject *context);
    void post(const QString &name);

private:
    struct Observer {
        QPointer<QObject> context;
        QString name;
        Handler handler;
    };
    std::vector<Observer> mObservers;
};

} // namespace quaverly
