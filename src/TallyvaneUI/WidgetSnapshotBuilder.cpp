#include "WidgetSnapshotBuilder.h"

#include "ProviderStateAssembler.h"

#include <UsageDomain/UsagePercent.h>
#include <UsageDomain/UsageWindowSelection.h>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::WidgetSnapshotBuilder {

namespace {

ProviderService providerService(WidgetProviderService service)
{
    return service == WidgetProviderService::codex ? ProviderService::codex : ProviderService::claude;
}

QString windowName(const UsageWindowSample& sample)
{
    if (sample.providerBucketName)
        return *sample.providerBucketName;
    switch (sample.windowKind) {
    case UsageWindowKind::fiveHour:
        return u"Five-hour"_s;
    case UsageWindowKind::sevenDay:
        return u"Weekly"_s;
    case UsageWindowKind::modelSpecific:
        return u"Model"_s;
    case UsageWindowKind::custom:
    case UsageWindowKind::unknown:
        break;
    }
    return u"Usage"_s;
}

WidgetDate widgetDate(Instant instant)
{
    return WidgetDate::fromSecondsSince1970(instant.secondsSince1970());
}

} // namespace

std::optional<WidgetWindow> widgetWindow(const UsageWindowSample& sample)
{
    const std::optional<double> used = UsagePercent::usedFraction(sample).transform(&Decimal::toDouble);
    if (!used)
        return std::nullopt;
    std::optional<WidgetDate> resetAt;
    if (sample.resetAt)
        resetAt = widgetDate(*sample.resetAt);
    return WidgetWindow(sample.providerBucketID, windowName(sample), *used, resetAt);
}

WidgetProviderUsage
widgetProviderUsage(WidgetProviderService service, const QList<ProviderViewState>& providers,
                    const QHash<ProviderService, ProviderConnectionState>& connectionStates)
{
    const ProviderService modelService = providerService(service);
    const auto found = std::ranges::find(providers, modelService, &ProviderViewState::service);
    if (found == providers.end())
        return {service, WidgetProviderState::unavailable, {}};

    // The window every other surface shows for the service comes first: the widget and the
    // status-bar output show the first one.
    QList<UsageWindowSample> shown = ProviderStateAssembler::secondaryWindows(*found);
    if (const std::optional<UsageWindowSample> primary = UsageWindowSelection::primary(found->windows))
        shown.prepend(*primary);
    QList<WidgetWindow> windows;
    for (const UsageWindowSample& sample : std::as_const(shown)) {
        if (std::optional<WidgetWindow> window = widgetWindow(sample))
            windows.append(std::move(*window));
    }
    if (!windows.isEmpty())
        return {service, WidgetProviderState::available, std::move(windows)};

    // A service without an entry is still being checked, so it is not signed in.
    const auto connection = connectionStates.constFind(modelService);
    const bool signedIn =
        connection != connectionStates.cend() && connection->status == ProviderConnectionStatus::signedIn;
    return {service, signedIn ? WidgetProviderState::unavailable : WidgetProviderState::signInRequired, {}};
}

WidgetUsageSnapshot snapshot(Instant updatedAt, const QList<ProviderViewState>& providers,
                             const QHash<ProviderService, ProviderConnectionState>& connectionStates)
{
    WidgetUsageSnapshot result{widgetDate(updatedAt), {}};
    for (WidgetProviderService service : allWidgetProviderServices)
        result.providers.append(widgetProviderUsage(service, providers, connectionStates));
    return result;
}

} // namespace tallyvane::WidgetSnapshotBuilder
