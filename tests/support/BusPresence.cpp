#include "BusPresence.h"

#include <QDBusConnection>

namespace tallyvane::testing {

void withdrawFromBus(const QString& connectionName, const QString& serviceName, const QString& objectPath,
                     bool ownsName)
{
    QDBusConnection bus(connectionName);
    if (bus.isConnected()) {
        if (ownsName)
            bus.unregisterService(serviceName);
        bus.unregisterObject(objectPath);
    }
    QDBusConnection::disconnectFromBus(connectionName);
}

} // namespace tallyvane::testing
