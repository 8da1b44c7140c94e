#pragma once

#include <TallyvaneUI/ProviderViewState.h>

namespace tallyvane::testing {

// A window of `bucket` observed at `observedAt` with `used` of it spent (none: no share known).
inline UsageWindowSample alertWindow(const QString& bucket, UsageWindowKind kind, std::optional<double> used,
                                     double observedAt = 100)
{
    UsageWindowSample sample;
    sample.id = bucket + u'@' + QString::number(observedAt);
    sample.providerBucketID = bucket;
    sample.windowKind = kind;
    sample.observedAt = Instant::fromSecondsSince1970(observedAt);
    if (used)
        sample.usedFraction = Decimal::fromDouble(*used);
    return sample;
}

inline ProviderViewState alertProvider(const QString& id, const QString& name,
                                       QList<UsageWindowSample> windows)
{
    ProviderViewState state;
    state.descriptor = ProviderDescriptor{id, name, std::nullopt};
    state.windows = std::move(windows);
    return state;
}

} // namespace tallyvane::testing
