#pragma once

#include "ProviderRefreshOutcome.h"
#include "RefreshTrigger.h"

#include <UsageDomain/Instant.h>

#include <QList>
#include <QStringList>

namespace tallyvane {

// The result of one refresh: outcomes sorted by provider id, skipped ids sorted ascending.
struct RefreshSummary {
    RefreshTrigger trigger = RefreshTrigger::manual;
    Instant startedAt;
    QList<ProviderRefreshOutcome> outcomes;
    QStringList skippedProviderIDs;
};

} // namespace tallyvane
