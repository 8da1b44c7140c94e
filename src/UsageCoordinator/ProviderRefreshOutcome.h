#pragma once

#include <UsageDomain/ProviderCollectionResult.h>

namespace tallyvane {

// What one provider returned in one refresh.
struct ProviderRefreshOutcome {
    QString providerID; // descriptor id, read when the collection started
    ProviderCollectionResult collection;

    // The failure rule of backoff: at least one error diagnostic.
    bool hasError() const { return containsError(collection.diagnostics); }
};

} // namespace tallyvane
