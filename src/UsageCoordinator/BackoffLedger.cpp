#include "BackoffLedger.h"

namespace tallyvane {

BackoffLedger::BackoffLedger(RefreshBackoffPolicy policy)
    : m_policy(policy)
{
}

std::optional<BackoffState> BackoffLedger::entry(const QString& providerID) const
{
    const auto found = m_entries.constFind(providerID);
    if (found == m_entries.constEnd())
        return std::nullopt;
    return *found;
}

bool BackoffLedger::isEligible(const QString& providerID, Instant now) const
{
    const auto found = m_entries.constFind(providerID);
    return found == m_entries.constEnd() || found->isDueAt(now);
}

void BackoffLedger::apply(const RefreshSummary& summary)
{
    for (const ProviderRefreshOutcome& outcome : summary.outcomes) {
        if (outcome.hasError())
            m_entries.insert(outcome.providerID,
                             m_policy.failed(entry(outcome.providerID), summary.startedAt));
        else
            m_entries.remove(outcome.providerID);
    }
}

} // namespace tallyvane
