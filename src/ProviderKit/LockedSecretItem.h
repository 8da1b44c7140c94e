#pragma once

#include <QCoroTask>
#include <QString>

#include <chrono>

namespace tallyvane {

// Whether the Secret Service holds a locked item for a service and account. QtKeychain reports
// such an item as missing, and its deletion as done, which would pass a keyring that cannot be
// opened off as "nothing stored".
class LockedSecretItem {
public:
    // False when there is no bus or no Secret Service, or it does not answer within `deadline`.
    static QCoro::Task<bool> exists(QString service, QString account, std::chrono::milliseconds deadline);
};

} // namespace tallyvane
