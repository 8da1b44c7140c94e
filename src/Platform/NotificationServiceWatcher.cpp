#include "NotificationServiceWatcher.h"

#include "DesktopNotifications.h"

#include <QDBusServiceWatcher>

namespace tallyvane {

NotificationServiceWatcher::NotificationServiceWatcher(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_watcher(new QDBusServiceWatcher(QString(DesktopNotifications::serviceName), bus,
                                        QDBusServiceWatcher::WatchForOwnerChange, this))
{
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            &NotificationServiceWatcher::ownerChanged);
}

} // namespace tallyvane
