#include "UsagePaceAlerts.h"

namespace tallyvane {

QList<UsageAlertEvent> UsagePaceAlerts::evaluate(const QList<UsageAlertSample>& samples, bool enabled,
                                                 Instant now)
{
    if (!enabled) {
        m_warnedPeriods.clear();
        return {};
    }
    m_warnedPeriods.removeIf([now](const auto& entry) { return entry.value() <= now; });

    QList<UsageAlertEvent> events;
    for (const UsageAlertSample& sample : samples) {
        if (!sample.runsOutAt || !sample.resetAt ||
            sample.resetAt->secondsSince(*sample.runsOutAt) < leastSecondsBeforeReset)
            continue;
        const UsageWindowKey key{sample.providerID, sample.bucketID};
        const auto warned = m_warnedPeriods.constFind(key);
        if (warned != m_warnedPeriods.cend() && *warned == *sample.resetAt)
            continue;
        m_warnedPeriods.insert(key, *sample.resetAt);
        events.append(UsageAlertEvent::pace(sample, now));
    }
    return events;
}

void UsagePaceAlerts::forgetProvider(const QString& providerID)
{
    m_warnedPeriods.removeIf(
        [&providerID](const auto& entry) { return entry.key().providerID == providerID; });
}

} // namespace tallyvane
