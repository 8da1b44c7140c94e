#include "UsagePaceTracker.h"

#include "UsageForecast.h"

#include <UsageDomain/UsagePercent.h>
#include <UsageDomain/UsageWindowSelection.h>

namespace tallyvane {

void UsagePaceTracker::track(QList<ProviderViewState>& providers, Instant now)
{
    m_periods.removeIf([now](const auto& entry) {
        const std::optional<Instant>& resetAt = entry.value().resetAt;
        return resetAt && *resetAt <= now;
    });
    for (ProviderViewState& provider : providers) {
        provider.forecasts.clear();
        if (provider.availability == ProviderAvailability::authenticationRequired) {
            forgetProvider(provider.id());
            continue;
        }
        for (const UsageWindowSample& window : UsageWindowSelection::latestPerBucket(provider.windows)) {
            const std::optional<Decimal> used = UsagePercent::usedFraction(window);
            if (!used)
                continue;
            Period& period = m_periods[UsageWindowKey{provider.id(), window.providerBucketID}];
            if (period.resetAt != window.resetAt)
                period = Period{window.resetAt, {}};
            if (const std::optional<UsageForecast> forecast = UsageForecast::of(window, period.readings, now))
                provider.forecasts.insert(window.providerBucketID, *forecast);
            if (period.readings.isEmpty() || period.readings.last().observedAt < window.observedAt)
                period.readings.append(UsagePaceSample{window.observedAt, used->toDouble()});
            if (period.readings.size() > readingsPerWindow)
                period.readings.removeFirst();
        }
    }
}

void UsagePaceTracker::forgetProvider(const QString& providerID)
{
    m_periods.removeIf([&providerID](const auto& entry) { return entry.key().providerID == providerID; });
}

QList<UsagePaceSample> UsagePaceTracker::readings(const QString& providerID, const QString& bucketID) const
{
    return m_periods.value(UsageWindowKey{providerID, bucketID}).readings;
}

} // namespace tallyvane
