#include "RefreshCoordinator.h"

#include <QCoroFuture>
#include <QFuture>
#include <QPromise>
#include <QSet>

#include <algorithm>
#include <vector>

namespace tallyvane {

// What joined callers wait on. A QCoro::Task can be awaited only once, so the running refresh
// is announced through a future that any number of callers may await.
struct RefreshCoordinator::InFlight {
    QPromise<void> finished;
    QFuture<void> future = finished.future();
    std::optional<RefreshSummary> summary;
};

namespace {

// The outcomes of one refresh in completion order. The observer hears of an outcome only while
// another collection is still under way once all have started: the last one, and a set that
// answered without waiting, come with the summary at once.
struct Collection {
    QList<ProviderRefreshOutcome> outcomes;
    qsizetype collecting = 0;
    bool allStarted = false;
    RefreshCoordinator::OutcomeObserver observer;

    void tell(const ProviderRefreshOutcome& outcome) const
    {
        if (observer && allStarted && outcomes.size() < collecting)
            observer(outcome);
    }
};

using Outcomes = std::shared_ptr<Collection>;

QCoro::Task<void> collectOne(ProviderRegistration registration, Instant startedAt, Outcomes outcomes)
{
    const UsageCollectionRequest request{registration.connectionID, startedAt};
    QString providerID = registration.provider->descriptor().id;
    ProviderCollectionResult collection = co_await registration.provider->collect(request);
    outcomes->outcomes.append(ProviderRefreshOutcome{std::move(providerID), std::move(collection)});
    outcomes->tell(outcomes->outcomes.last());
}

} // namespace

RefreshCoordinator::RefreshCoordinator(QList<ProviderRegistration> registrations, Clock now,
                                       RefreshBackoffPolicy backoffPolicy)
    : m_now(std::move(now))
    , m_backoff(backoffPolicy)
{
    for (ProviderRegistration& registration : registrations) {
        if (registration.provider)
            m_registrations.append(std::move(registration));
    }
}

RefreshCoordinator::~RefreshCoordinator() = default;

QCoro::Task<RefreshSummary> RefreshCoordinator::refresh(RefreshTrigger trigger)
{
    if (m_inFlight) {
        // Join: the starter applies backoff before it finishes the promise, so by the time we
        // resume the entries already reflect this summary.
        const std::shared_ptr<InFlight> running = m_inFlight;
        co_await running->future;
        co_return running->summary.value_or(RefreshSummary{.trigger = trigger});
    }

    const Instant startedAt = m_now();
    Selection selection = select(trigger, startedAt);

    const auto inFlight = std::make_shared<InFlight>();
    inFlight->finished.start();
    m_inFlight = inFlight;

    RefreshSummary summary = co_await collectAll(trigger, startedAt, std::move(selection), m_outcomeObserver);

    // No suspension from here on: nothing can start between collection and backoff update.
    m_inFlight.reset();
    m_backoff.apply(summary);
    inFlight->summary = summary;
    inFlight->finished.finish();
    co_return summary;
}

RefreshCoordinator::Selection RefreshCoordinator::select(RefreshTrigger trigger, Instant startedAt) const
{
    if (trigger == RefreshTrigger::manual)
        return {m_registrations, {}};

    Selection selection;
    QStringList allIDs;
    QSet<QString> eligibleIDs;
    for (const ProviderRegistration& registration : m_registrations) {
        const QString id = registration.provider->descriptor().id;
        allIDs.append(id);
        if (m_backoff.isEligible(id, startedAt)) {
            selection.eligible.append(registration);
            eligibleIDs.insert(id);
        }
    }
    for (const QString& id : allIDs) {
        if (!eligibleIDs.contains(id))
            selection.skippedProviderIDs.append(id);
    }
    return selection;
}

QCoro::Task<RefreshSummary> RefreshCoordinator::collectAll(RefreshTrigger trigger, Instant startedAt,
                                                           Selection selection, OutcomeObserver observer)
{
    const auto outcomes = std::make_shared<Collection>();
    outcomes->collecting = selection.eligible.size();
    outcomes->observer = std::move(observer);

    // Tasks start eagerly: every collection is under way before the first one is awaited.
    std::vector<QCoro::Task<void>> children;
    children.reserve(static_cast<std::size_t>(selection.eligible.size()));
    for (const ProviderRegistration& registration : std::as_const(selection.eligible))
        children.push_back(collectOne(registration, startedAt, outcomes));
    outcomes->allStarted = true;
    for (const ProviderRefreshOutcome& outcome : std::as_const(outcomes->outcomes))
        outcomes->tell(outcome);
    for (QCoro::Task<void>& child : children)
        co_await child;

    RefreshSummary summary{trigger, startedAt, std::move(outcomes->outcomes),
                           std::move(selection.skippedProviderIDs)};
    std::stable_sort(summary.outcomes.begin(), summary.outcomes.end(),
                     [](const ProviderRefreshOutcome& left, const ProviderRefreshOutcome& right) {
                         return left.providerID < right.providerID;
                     });
    std::sort(summary.skippedProviderIDs.begin(), summary.skippedProviderIDs.end());
    co_return summary;
}

std::optional<Instant> RefreshCoordinator::nextAutomaticRefreshAt(const QString& providerID) const
{
    if (const auto entry = m_backoff.entry(providerID))
        return entry->nextAutomaticRefreshAt;
    return std::nullopt;
}

std::optional<BackoffState> RefreshCoordinator::backoffState(const QString& providerID) const
{
    return m_backoff.entry(providerID);
}

} // namespace tallyvane
