#include "ProviderStateAssembler.h"

#include "SignInNotice.h"

#include <TallyvaneWidgetSupport/RelativeTimeFormatter.h>
#include <UsageDomain/Localizable.h>
#include <UsageDomain/UsageWindowSelection.h>

#include <QCoreApplication>
#include <QDateTime>

#include <algorithm>
#include <limits>
#include <map>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::ProviderStateAssembler {

namespace {

ProviderDiagnostic warning(ProviderService service, QStringView suffix, const QString& message)
{
    return {DiagnosticSeverity::warning, caseName(service) + suffix, message};
}

ProviderViewState withoutUsage(ProviderService service, const ProviderDescriptor& descriptor,
                               ProviderAvailability availability, ProviderDiagnostic notice)
{
    return {service, descriptor, availability, {}, {}, {}, {std::move(notice)}};
}

ProviderViewState signedInState(ProviderService service, const ProviderCollectionResult& collection)
{
    ProviderCapabilities capabilities;
    if (!collection.windows.isEmpty())
        capabilities = {ProviderCapabilities::usageWindows, ProviderCapabilities::resetTimes};
    if (!collection.tokenBuckets.isEmpty()) {
        if (service == ProviderService::codex)
            capabilities.insert(ProviderCapabilities::accountTokenHistory);
        else
            capabilities.insert(
                {ProviderCapabilities::modelTokenHistory, ProviderCapabilities::dailyTokenTotals});
    }
    const ProviderAvailability availability = containsError(collection.diagnostics)
                                                  ? ProviderAvailability::temporarilyUnavailable
                                                  : ProviderAvailability::availableWithLimitations;
    return {service,
            collection.provider,
            availability,
            capabilities,
            collection.windows,
            collection.tokenBuckets,
            collection.diagnostics};
}

ProviderViewState notSignedInState(ProviderService service, const ProviderDescriptor& descriptor,
                                   ProviderConnectionStatus status, const std::optional<QString>& detail)
{
    return withoutUsage(service, descriptor, SignInNotice::availability(status),
                        SignInNotice::diagnostic(service, detail));
}

QString retryNotice(const std::optional<Instant>& retryAt, Instant now)
{
    if (!retryAt)
        return localized("The last refresh failed. Waiting before retrying.");
    return localized("The last refresh failed. Retrying %1 — or refresh now.")
        .arg(RelativeTimeFormatter::relative(retryAt->secondsSince(now)));
}

std::int64_t saturatingAdd(std::int64_t total, std::int64_t value)
{
    std::int64_t sum = 0;
    if (!__builtin_add_overflow(total, value, &sum))
        return sum;
    return value > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
}

} // namespace

QList<ProviderViewState> assemble(const QList<ProviderRefreshOutcome>& outcomes,
                                  const QList<SkippedProvider>& skipped,
                                  const QHash<ProviderService, ProviderDescriptor>& knownDescriptors,
                                  Instant now,
                                  const QHash<ProviderService, ProviderConnectionState>& connectionStates)
{
    QList<ProviderViewState> states;
    for (const ProviderRefreshOutcome& outcome : outcomes) {
        const ProviderCollectionResult& collection = outcome.collection;
        const auto service = serviceForProviderID(collection.provider.id);
        if (!service)
            continue;
        const auto connection = connectionStates.constFind(*service);
        if (connection == connectionStates.cend()) {
            states.append(notSignedInState(*service, collection.provider, ProviderConnectionStatus::checking,
                                           localized("Checking sign-in")));
        } else if (connection->status == ProviderConnectionStatus::signedIn) {
            states.append(signedInState(*service, collection));
        } else {
            states.append(
                notSignedInState(*service, collection.provider, connection->status, connection->detail));
        }
    }

    for (const SkippedProvider& provider : skipped) {
        const auto service = serviceForProviderID(provider.providerID);
        if (!service)
            continue;
        const ProviderDescriptor descriptor = knownDescriptors.value(
            *service, ProviderDescriptor{provider.providerID, displayName(*service), std::nullopt});
        states.append(
            withoutUsage(*service, descriptor, ProviderAvailability::temporarilyUnavailable,
                         warning(*service, u".refresh_backoff", retryNotice(provider.retryAt, now))));
    }

    std::ranges::stable_sort(states, {},
                             [](const ProviderViewState& state) { return sortOrder(state.service); });
    return states;
}

QList<HistoryPoint> history(const QList<ProviderViewState>& providers)
{
    QList<HistoryPoint> points;
    for (const ProviderViewState& state : providers) {
        // Keyed by the day start in Unix milliseconds; a day stays in the map only once it
        // has a present total.
        std::map<qint64, std::int64_t> totals;
        for (const TokenUsageBucket& bucket : state.tokenBuckets) {
            if (!bucket.totalTokens)
                continue;
            const QDateTime dayStart = bucket.intervalStart.toDateTime().toLocalTime().date().startOfDay();
            auto [entry, inserted] = totals.try_emplace(dayStart.toMSecsSinceEpoch(), 0);
            entry->second = saturatingAdd(entry->second, *bucket.totalTokens);
        }
        for (const auto& [dayStartMSecs, tokens] : totals) {
            const QDateTime dayStart = QDateTime::fromMSecsSinceEpoch(dayStartMSecs, Qt::UTC);
            points.append({state.descriptor.id + u':' + QString::number(dayStart.toSecsSinceEpoch()),
                           state.service, state.descriptor.displayName, Instant::fromDateTime(dayStart),
                           tokens});
        }
    }
    std::ranges::stable_sort(points, {}, &HistoryPoint::date);
    return points;
}

ProviderViewState signedOutState(const ProviderViewState& state)
{
    return withoutUsage(state.service, state.descriptor, ProviderAvailability::authenticationRequired,
                        SignInNotice::diagnostic(state.service, std::nullopt));
}

QList<UsageWindowSample> secondaryWindows(const ProviderViewState& state)
{
    QList<UsageWindowSample> secondary = UsageWindowSelection::latestPerBucket(state.windows);
    if (const auto primary = UsageWindowSelection::primary(state.windows)) {
        secondary.removeIf([&](const UsageWindowSample& window) {
            return window.providerBucketID == primary->providerBucketID;
        });
    }
    return secondary;
}

QList<ProviderMenuSnapshot> menuSnapshots(const QList<ProviderViewState>& providers)
{
    QList<ProviderMenuSnapshot> snapshots;
    snapshots.reserve(providers.size());
    for (const ProviderViewState& state : providers)
        snapshots.append({state.descriptor.id, state.descriptor.displayName, state.windows});
    return snapshots;
}

} // namespace tallyvane::ProviderStateAssembler
