#include "ClaudeUsageNormalizer.h"

#include "ClaudeProviderIdentity.h"
#include "ClaudeUtilization.h"
#include "Rfc3339Timestamp.h"

#include <UsageDomain/RecordIdentifier.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {

// The order of this table is the order of the samples, and its rows decide every sample's
// identity; a key missing from the answer is simply not reported.
struct WindowRow {
    QLatin1StringView key;
    std::optional<ClaudeUtilizationWindow> ClaudeUtilization::*window;
    QLatin1StringView name;
    UsageWindowKind kind;
    QLatin1StringView modelID; // empty: not tied to a model
    std::int64_t durationSeconds;
};

constexpr std::int64_t fiveHours = 5 * 3600;
constexpr std::int64_t sevenDays = 7 * 86400;

const WindowRow windowTable[] = {
    {"five_hour"_L1, &ClaudeUtilization::fiveHour, "Five-hour"_L1, UsageWindowKind::fiveHour, {}, fiveHours},
    {"seven_day"_L1, &ClaudeUtilization::sevenDay, "Seven-day"_L1, UsageWindowKind::sevenDay, {}, sevenDays},
    {"seven_day_oauth_apps"_L1, &ClaudeUtilization::sevenDayOAuthApps, "OAuth apps weekly"_L1,
     UsageWindowKind::modelSpecific, "oauth-apps"_L1, sevenDays},
    {"seven_day_opus"_L1, &ClaudeUtilization::sevenDayOpus, "Opus weekly"_L1, UsageWindowKind::modelSpecific,
     "opus"_L1, sevenDays},
    {"seven_day_sonnet"_L1, &ClaudeUtilization::sevenDaySonnet, "Sonnet weekly"_L1,
     UsageWindowKind::modelSpecific, "sonnet"_L1, sevenDays},
    {"seven_day_cowork"_L1, &ClaudeUtilization::sevenDayCowork, "Cowork weekly"_L1,
     UsageWindowKind::modelSpecific, "cowork"_L1, sevenDays},
};

ProviderDiagnostic invalidUtilization()
{
    return {DiagnosticSeverity::warning, u"claude.invalid_utilization"_s,
            u"A Claude usage window was rejected because its percentage was out of range."_s};
}

ProviderDiagnostic invalidReset()
{
    return {DiagnosticSeverity::warning, u"claude.invalid_reset"_s,
            u"A Claude reset timestamp did not match the known schema."_s};
}

ProviderDiagnostic noUsageWindows()
{
    return {DiagnosticSeverity::error, u"claude.no_usage_windows"_s,
            u"Claude returned no supported usage windows; its account response may have changed."_s};
}

bool isPercentage(const std::optional<Decimal>& utilization)
{
    return utilization && *utilization >= Decimal() && *utilization <= Decimal::fromInteger(100);
}

} // namespace

Decoded<ProviderCollectionResult>
ClaudeUsageNormalizer::normalize(const QByteArray& data, const QUuid& connectionID, Instant observedAt)
{
    const auto payload = fromJsonBytes<ClaudeUtilization>(data);
    if (!payload)
        return std::unexpected(payload.error());

    ProviderCollectionResult result{
        .provider = ClaudeProviderIdentity::providerDescriptor(),
        .collectedAt = observedAt,
    };
    const SourceDescriptor source = ClaudeProviderIdentity::sourceDescriptor();

    for (const WindowRow& row : windowTable) {
        const std::optional<ClaudeUtilizationWindow>& window = (*payload).*row.window;
        if (!window)
            continue;
        if (!isPercentage(window->utilization)) {
            result.diagnostics.append(invalidUtilization());
            continue;
        }
        std::optional<Instant> resetAt;
        if (window->resetsAt) {
            resetAt = Rfc3339Timestamp::parse(*window->resetsAt);
            if (!resetAt)
                result.diagnostics.append(invalidReset());
        }
        result.windows.append(UsageWindowSample{
            .id = RecordIdentifier::window(connectionID, QString(row.key), observedAt),
            .connectionID = connectionID,
            .providerBucketID = row.key,
            .providerBucketName = QString(row.name),
            .windowKind = row.kind,
            .modelID = row.modelID.isEmpty() ? std::nullopt : std::optional<QString>(row.modelID),
            .observedAt = observedAt,
            .providerFetchedAt = observedAt,
            .durationSeconds = row.durationSeconds,
            .resetAt = resetAt,
            .usedFraction = window->utilization->scaledByPowerOfTen(-2),
            .authority = MeasurementAuthority::vendorAuthoritative,
            .confidence = MeasurementConfidence::exact,
            .coverage = MeasurementCoverage::account,
            .freshness = MeasurementFreshness::live,
            .source = source,
        });
    }
    if (result.windows.isEmpty())
        result.diagnostics.append(noUsageWindows());
    return result;
}

} // namespace tallyvane
