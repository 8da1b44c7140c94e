#include "WidgetSnapshotBuilder.h"

#include "ProviderStateAssembler.h"

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
    std::optional<double> used;
    if (sample.usedFraction)
        used = sample.usedFraction->toDouble();
    else if (sample.remainingFraction)
        used = 1.0 - sample.remainingFraction->toDouble();
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

    QList<WidgetWindow> windows;
    for (const UsageWindowSample& sample : ProviderStateAssembler::latestWindowsPerBucket(found->windows)) {
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
