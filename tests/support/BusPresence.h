#pragma once

#include <QString>

namespace tallyvane::testing {

// Takes a fake service off the test's session bus: gives up its name (when it had taken it),
// removes its object and closes its private connection.
void withdrawFromBus(const QString& connectionName, const QString& serviceName, const QString& objectPath,
                     bool ownsName);

} // namespace tallyvane::testing
