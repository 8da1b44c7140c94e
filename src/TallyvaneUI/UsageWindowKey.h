#pragma once

#include <QHash>
#include <QString>

namespace tallyvane {

// One window of one provider across refreshes: its bucket stays while samples come and go.
struct UsageWindowKey {
    QString providerID;
    QString bucketID;

    friend bool operator==(const UsageWindowKey&, const UsageWindowKey&) = default;
    friend size_t qHash(const UsageWindowKey& key, size_t seed = 0) noexcept
    {
        return qHashMulti(seed, key.providerID, key.bucketID);
    }
};

} // namespace tallyvane
