#include "RealisticUsage.h"

#include <TallyvaneUI/UsageAppModel.h>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::testing {
namespace {

struct WindowShape {
    const char16_t* bucket;
    UsageWindowKind kind;
    const char16_t* used;
    const char16_t* remaining;
    double resetsIn;
    std::int64_t duration;
    std::optional<QString> modelID = std::nullopt;
};

UsageWindowSample window(ProviderService service, const WindowShape& shape, Instant now)
{
    const Decimal used = *Decimal::fromString(QStringView(shape.used));
    return UsageWindowSample{
        .id = providerID(service) + u'.' + QString::fromUtf16(shape.bucket),
        .connectionID = UsageAppModel::connectionID(service),
        .providerBucketID = QString::fromUtf16(shape.bucket),
        .windowKind = shape.kind,
        .modelID = shape.modelID,
        .observedAt = now,
        .durationSeconds = shape.duration,
        .resetAt = now.addingSeconds(shape.resetsIn),
        .usedFraction = used,
        .remainingFraction = *Decimal::fromString(QStringView(shape.remaining)),
        .source = service == ProviderService::codex
                      ? SourceDescriptor{u"codex-app-server"_s, u"Codex app-server"_s, true}
                      : SourceDescriptor{u"claude-oauth-usage"_s, u"Claude OAuth usage"_s, false},
    };
}

QList<TokenUsageBucket> week(ProviderService service, Instant now)
{
    static constexpr std::int64_t codexDays[] = {182'000, 240'500, 95'300, 310'200,
                                                 275'900, 128'400, 201'700};
    static constexpr std::int64_t claudeDays[] = {96'000,  143'200, 210'800, 88'100,
                                                  164'500, 251'300, 119'600};
    const auto& days = service == ProviderService::codex ? codexDays : claudeDays;
    QList<TokenUsageBucket> buckets;
    for (int day = 0; day < 7; ++day) {
        const Instant start = now.addingSeconds(-86'400.0 * (6 - day));
        buckets.append(TokenUsageBucket{
            .id = providerID(service) + u".day"_s + QString::number(day),
            .connectionID = UsageAppModel::connectionID(service),
            .intervalStart = start,
            .intervalEnd = start.addingSeconds(86'400),
            .calendarIdentifier = u"gregorian"_s,
            .timeZoneIdentifier = u"UTC"_s,
            .totalTokens = days[day],
            .coverage = service == ProviderService::codex ? MeasurementCoverage::account
                                                          : MeasurementCoverage::device,
        });
    }
    return buckets;
}

} // namespace

ProviderCollectionResult RealisticUsage::collection(ProviderService service, Instant now)
{
    ProviderCollectionResult result;
    result.collectedAt = now;
    if (service == ProviderService::codex) {
        result.windows = {
            window(service, {u"primary", UsageWindowKind::fiveHour, u"0.31", u"0.69", 5'340, 18'000}, now),
            window(service, {u"secondary", UsageWindowKind::sevenDay, u"0.12", u"0.88", 352'800, 604'800},
                   now)};
    } else {
        result.windows = {
            window(service, {u"five_hour", UsageWindowKind::fiveHour, u"0.58", u"0.42", 8'100, 18'000}, now),
            window(service, {u"seven_day", UsageWindowKind::sevenDay, u"0.81", u"0.19", 190'800, 604'800},
                   now),
            window(service,
                   {u"seven_day_opus", UsageWindowKind::modelSpecific, u"0.93", u"0.07", 190'800, 604'800,
                    u"opus"_s},
                   now)};
    }
    result.tokenBuckets = week(service, now);
    return result;
}

ProviderCollectionResult RealisticUsage::failure()
{
    ProviderCollectionResult result;
    result.diagnostics = {
        {DiagnosticSeverity::error, u"usage_request_failed"_s, u"The usage request failed."_s}};
    return result;
}

} // namespace tallyvane::testing
