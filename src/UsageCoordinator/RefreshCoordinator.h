#pragma once

#include "BackoffLedger.h"
#include "BackoffState.h"
#include "ProviderRegistration.h"
#include "RefreshBackoffPolicy.h"
#include "RefreshSummary.h"
#include "RefreshTrigger.h"

#include <QCoroTask>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace tallyvane {

// Runs one refresh at a time over all registered providers: picks the due ones, collects them
// concurrently, sorts their outcomes and updates backoff. A caller arriving while a refresh
// runs joins it and receives its summary. Lives on the main thread; its coroutines interleave
// only at their suspension points, so no lock guards its state.
class RefreshCoordinator {
public:
    using Clock = std::function<Instant()>;
    // Told each provider's outcome the moment it is in, while other providers of the same
    // refresh are still collecting, so their numbers can be shown without waiting for the slowest.
    using OutcomeObserver = std::function<void(const ProviderRefreshOutcome&)>;

    // Registrations without a provider are dropped: there is nothing to collect from them.
    RefreshCoordinator(QList<ProviderRegistration> registrations, Clock now,
                       RefreshBackoffPolicy backoffPolicy = RefreshBackoffPolicy::applicationDefault());
    ~RefreshCoordinator();
    Q_DISABLE_COPY_MOVE(RefreshCoordinator)

    void setOutcomeObserver(OutcomeObserver observer) { m_outcomeObserver = std::move(observer); }

    // Never fails; a provider that never answers keeps this and every joined call waiting.
    QCoro::Task<RefreshSummary> refresh(RefreshTrigger trigger);

    // When a backing-off provider may be collected automatically again; nothing when it is not
    // backing off.
    std::optional<Instant> nextAutomaticRefreshAt(const QString& providerID) const;
    std::optional<BackoffState> backoffState(const QString& providerID) const;

    bool isRefreshing() const { return m_inFlight != nullptr; }
    const QList<ProviderRegistration>& registrations() const { return m_registrations; }
    const RefreshBackoffPolicy& backoffPolicy() const { return m_backoff.policy(); }

private:
    struct InFlight;
    struct Selection {
        QList<ProviderRegistration> eligible;
        QStringList skippedProviderIDs;
    };

    Selection select(RefreshTrigger trigger, Instant startedAt) const;
    static QCoro::Task<RefreshSummary> collectAll(RefreshTrigger trigger, Instant startedAt,
                                                  Selection selection, OutcomeObserver observer);

    QList<ProviderRegistration> m_registrations;
    Clock m_now;
    BackoffLedger m_backoff;
    std::shared_ptr<InFlight> m_inFlight; // present exactly while a refresh runs
    OutcomeObserver m_outcomeObserver;
};

} // namespace tallyvane
