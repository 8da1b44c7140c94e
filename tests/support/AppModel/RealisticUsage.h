#pragma once

#include <ProviderKit/ProviderService.h>
#include <UsageDomain/ProviderCollectionResult.h>

namespace tallyvane::testing {

// Answers that look like a working day of a real user, relative to `now`: both services with
// several windows (one near its limit) and a week of daily token totals. Used for screenshots
// and for views that must show every kind of row.
class RealisticUsage {
public:
    static ProviderCollectionResult collection(ProviderService service, Instant now);
    // A failed refresh: no windows and one error, so the service backs off.
    static ProviderCollectionResult failure();
};

} // namespace tallyvane::testing
