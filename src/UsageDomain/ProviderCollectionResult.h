#pragma once

#include "Instant.h"
#include "ProviderDescriptor.h"
#include "ProviderDiagnostic.h"
#include "TokenUsageBucket.h"
#include "UsageWindowSample.h"

#include <QList>

namespace tallyvane {

// A provider's answer. Failures are error diagnostics inside it, never a thrown error; windows
// and diagnostics may come together.
struct ProviderCollectionResult {
    ProviderDescriptor provider;
    Instant collectedAt;
    QList<UsageWindowSample> windows;
    QList<TokenUsageBucket> tokenBuckets;
    QList<ProviderDiagnostic> diagnostics;
};

} // namespace tallyvane
