#pragma once

#include <ProviderKit/ProviderService.h>
#include <UsageDomain/ProviderAvailability.h>
#include <UsageDomain/ProviderCapabilities.h>
#include <UsageDomain/ProviderDescriptor.h>
#include <UsageDomain/ProviderDiagnostic.h>
#include <UsageDomain/TokenUsageBucket.h>
#include <UsageDomain/UsageWindowSample.h>

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

    const QString& id() const { return descriptor.id; }

    friend bool operator==(const ProviderViewState&, const ProviderViewState&) = default;
};

} // namespace tallyvane
