#pragma once

#include "UsageForecast.h"

#include <ProviderKit/ProviderService.h>
#include <UsageDomain/ProviderAvailability.h>
#include <UsageDomain/ProviderCapabilities.h>
#include <UsageDomain/ProviderDescriptor.h>
#include <UsageDomain/ProviderDiagnostic.h>
#include <UsageDomain/TokenUsageBucket.h>
#include <UsageDomain/UsageWindowSample.h>

#include <QHash>
#include <QList>

namespace tallyvane {

// Everything the interface, the widget server and the alerts know about one service after a
// refresh. Usage values are never carried over from an earlier refresh.
struct ProviderViewState {
    ProviderService service = ProviderService::codex;
    ProviderDescriptor descriptor;
    ProviderAvailability availability = ProviderAvailability::authenticationRequired;
    ProviderCapabilities capabilities;
    QList<UsageWindowSample> windows; // in the provider's order
    QList<TokenUsageBucket> tokenBuckets;
    QList<ProviderDiagnostic> diagnostics;
    // By bucket id, for the newest window of each; derived from this session's readings.
    QHash<QString, UsageForecast> forecasts;

    const QString& id() const { return descriptor.id; }
    std::optional<UsageForecast> forecast(const UsageWindowSample& window) const
    {
        const auto found = forecasts.constFind(window.providerBucketID);
        return found == forecasts.cend() ? std::nullopt : std::optional(*found);
    }

    friend bool operator==(const ProviderViewState&, const ProviderViewState&) = default;
};

} // namespace tallyvane
