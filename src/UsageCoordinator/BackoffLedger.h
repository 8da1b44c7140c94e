#pragma once

#include "BackoffState.h"
#include "RefreshBackoffPolicy.h"
#include "RefreshSummary.h"

#include <QHash>
#include <QString>

#include <optional>

namespace tallyvane {

// The backoff entries of all providers, keyed by descriptor id. Lives in memory only, so
// every start of the application begins without backoff.
class BackoffLedger {
public:
    explicit BackoffLedger(RefreshBackoffPolicy policy = RefreshBackoffPolicy::applicationDefault());

    const RefreshBackoffPolicy& policy() const { return m_policy; }
    std::optional<BackoffState> entry(const QString& providerID) const;

    // Whether a non-manual refresh starting at now may collect the provider.
    bool isEligible(const QString& providerID, Instant now) const;

    // Failures back off from the refresh's start, successes clear their entry; providers
    // without an outcome (skipped) keep theirs. Outcomes are applied in summary order.
    void apply(const RefreshSummary& summary);

private:
    RefreshBackoffPolicy m_policy;
    QHash<QString, BackoffState> m_entries;
};

} // namespace tallyvane
