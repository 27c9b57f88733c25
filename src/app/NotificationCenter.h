// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

namespace quaverly {

// In-process notification centre: observers register for a name and are
// called, in registration order, when that name is posted. Main thread only;
// another thread posts with QMetaObject::invokeMethod onto the main thread.
// An observer is dropped when its context object is destroyed.
class NotificationCenter : public QObject {
    Q_OBJECT
public:
    static NotificationCenter &defaultCenter()
    {
        static NotificationCenter center;
        return center;
    }

    template <typename Handler>
    void addObserver(QObject *context, const QString &name, Handler handler)
    {
        connect(this, &NotificationCenter::posted, context, [name, handler](const QString &posted) {
            if (posted == name)
                handler();
        }, Qt::DirectConnection);
    }
    void removeObserver(QObject *context) { disconnect(this, nullptr, context, nullptr); }
    void post(const QString &name) { emit posted(name); }

signals:
    void posted(const QString &name);
};

} // namespace quaverly
