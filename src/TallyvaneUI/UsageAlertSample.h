#pragma once

#include <UsageDomain/Instant.h>

#include <QString>

#include <optional>

namespace tallyvane {

// One usage window as the alerts see it.
struct UsageAlertSample {
    QString providerID;
    QString providerName;
    QString bucketID;
    QString windowName;
    double usedFraction = 0; // 0...1 as reported
    std::optional<Instant> resetAt;
    std::optional<Instant> runsOutAt; // when the forecast has the window running out

    friend bool operator==(const UsageAlertSample&, const UsageAlertSample&) = default;
};

} // namespace tallyvane
