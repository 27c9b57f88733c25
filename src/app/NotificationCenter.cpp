// SPDX-License-Identifier: GPL-3.0-or-later
#include "NotificationCenter.h"

#include <algorithm>

namespace quaverly {

NotificationCenter &NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

void NotificationCenter::addObserver(QObject *context, const QString &name, Handler handler)
{
    mObservers.push_back({context, name, std::move(handler)});
}

void NotificationCenter::removeObserver(QObject *context)
{
    std::erase_if(mObservers, [context](const Observer &o) { return o.context == context; });
}

void NotificationCenter::post(const QString &name)
{
    std::erase_if(mObservers, [](const Observer &o) { return o.context.isNull(); });
    // A handler may add or remove observers: call a snapshot.
    const std::vector<Observer> snapshot = mObservers;
    for (const Observer &o : snapshot) {
        if (o.name == name && !o.context.isNull())
            o.handler();
    }
}

} // namespace quaverly
