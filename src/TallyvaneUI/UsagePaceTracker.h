#pragma once

#include "ProviderViewState.h"
#include "UsagePaceSample.h"
#include "UsageWindowKey.h"

#include <QHash>
#include <QList>

namespace tallyvane {

// Keeps this session's readings of every window, in memory only, and gives each published
// window its forecast. A window's readings go when its period ends (a new reset time or the
// old one passing) and when its service is published as signed out; at most
// `readingsPerWindow` are kept.
class UsagePaceTracker {
public:
    static constexpr qsizetype readingsPerWindow = 64;

    // Sets each provider's forecasts from the readings so far, then records the newest window
    // of each bucket. The same reading published twice is recorded once.
    void track(QList<ProviderViewState>& providers, Instant now);

    QList<UsagePaceSample> readings(const QString& providerID, const QString& bucketID) const;

private:
    void forgetProvider(const QString& providerID);

    struct Period {
        std::optional<Instant> resetAt;
        QList<UsagePaceSample> readings; // oldest first
    };

    QHash<UsageWindowKey, Period> m_periods;
};

} // namespace tallyvane
