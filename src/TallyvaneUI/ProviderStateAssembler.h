#pragma once

#include "HistoryPoint.h"
#include "ProviderMenuSnapshot.h"
#include "ProviderViewState.h"

#include <ProviderKit/ProviderConnectionState.h>
#include <UsageCoordinator/ProviderRefreshOutcome.h>

#include <QHash>

#include <optional>

namespace tallyvane {

// Pure functions that turn one refresh into view states and pick windows out of them.
// Given the same inputs they return the same lists.
namespace ProviderStateAssembler {

// A provider the last refresh passed over because it is waiting out a backoff.
struct SkippedProvider {
    QString providerID;
    std::optional<Instant> retryAt;

    friend bool operator==(const SkippedProvider&, const SkippedProvider&) = default;
};

// One state per known outcome and skipped provider, codex before claude, each service's
// states kept in input order. `now` is the reference for the relative retry time.
QList<ProviderViewState> assemble(const QList<ProviderRefreshOutcome>& outcomes,
                                  const QList<SkippedProvider>& skipped,
                                  const QHash<ProviderService, ProviderDescriptor>& knownDescriptors,
                                  Instant now,
                                  const QHash<ProviderService, ProviderConnectionState>& connectionStates);

// Daily token totals per service, by the local day of each bucket's start, oldest first.
QList<HistoryPoint> history(const QList<ProviderViewState>& providers);

// The state shown once a service has been signed out: nothing of the old usage survives.
ProviderViewState signedOutState(const ProviderViewState& state);

// The newest window of each bucket (UsageWindowSelection) without the primary window's bucket.
QList<UsageWindowSample> secondaryWindows(const ProviderViewState& state);

QList<ProviderMenuSnapshot> menuSnapshots(const QList<ProviderViewState>& providers);

} // namespace ProviderStateAssembler
} // namespace tallyvane
