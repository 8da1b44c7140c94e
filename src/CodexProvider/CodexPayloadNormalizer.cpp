#include "CodexPayloadNormalizer.h"

#include "CodexAccountUsageEnvelope.h"
#include "CodexProviderIdentity.h"
#include "CodexRateLimitsEnvelope.h"

#include <UsageDomain/RecordIdentifier.h>

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <algorithm>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {

constexpr std::int64_t fiveHourMinutes = 300;
constexpr std::int64_t sevenDayMinutes = 10080;
constexpr std::int64_t longestWindowMinutes = 525600; // one non-leap year

ProviderDiagnostic diagnostic(DiagnosticSeverity severity, const QString& code, const QString& message)
{
    return ProviderDiagnostic{.severity = severity, .code = code, .message = message};
}

ProviderDiagnostic invalidUsedPercent()
{
    return diagnostic(DiagnosticSeverity::warning, u"codex.invalid_used_percent"_s,
                      u"A Codex allowance window was rejected because its percentage was out of range."_s);
}

ProviderDiagnostic noUsageWindows()
{
    return diagnostic(
        DiagnosticSeverity::error, u"codex.no_usage_windows"_s,
        u"Codex returned no supported usage windows; its app-server response may have changed."_s);
}

ProviderDiagnostic accountUsageUnavailable()
{
    return diagnostic(DiagnosticSeverity::warning, u"codex.account_usage_unavailable"_s,
                      u"Codex account token history was unavailable; allowance windows were retained."_s);
}

ProviderDiagnostic accountUsageSchema()
{
    return diagnostic(DiagnosticSeverity::warning, u"codex.account_usage_schema"_s,
                      u"Codex account token history did not match the known schema."_s);
}

ProviderDiagnostic invalidHistoryBucket()
{
    return diagnostic(DiagnosticSeverity::warning, u"codex.invalid_history_bucket"_s,
                      u"A Codex history bucket was rejected because it had invalid semantics."_s);
}

// A limit id made only of white space says nothing; the map key (or the fallback) names it.
bool isBlank(const std::optional<QString>& text)
{
    return !text || text->trimmed().isEmpty();
}

struct SnapshotEntry {
    QString key;
    const CodexRateLimitSnapshot* snapshot;
};

// Code-point order of the canonically composed keys, so the window order does not depend on
// how the server happened to encode or compose a key. Keys equal after composition keep
// their UTF-16 order, which keeps the result deterministic.
QList<SnapshotEntry> sortedEntries(const CodexSnapshotsByLimitId& snapshots)
{
    struct Sortable {
        QList<uint> codePoints;
        SnapshotEntry entry;
    };
    QList<Sortable> sortable;
    sortable.reserve(snapshots.size());
    for (auto it = snapshots.cbegin(); it != snapshots.cend(); ++it)
        sortable.append(
            {it.key().normalized(QString::NormalizationForm_C).toUcs4(), {it.key(), &it.value()}});
    std::ranges::stable_sort(sortable, {}, &Sortable::codePoints);
    QList<SnapshotEntry> entries;
    entries.reserve(sortable.size());
    for (const Sortable& item : sortable)
        entries.append(item.entry);
    return entries;
}

QList<SnapshotEntry> snapshotEntries(const CodexRateLimitsPayload& payload)
{
    if (payload.rateLimitsByLimitId && !payload.rateLimitsByLimitId->isEmpty())
        return sortedEntries(*payload.rateLimitsByLimitId);
    const QString key = isBlank(payload.rateLimits.limitId) ? u"default"_s : *payload.rateLimits.limitId;
    return {SnapshotEntry{key, &payload.rateLimits}};
}

UsageWindowKind windowKind(const std::optional<std::int64_t>& minutes)
{
    if (!minutes)
        return UsageWindowKind::unknown;
    if (*minutes == fiveHourMinutes)
        return UsageWindowKind::fiveHour;
    if (*minutes == sevenDayMinutes)
        return UsageWindowKind::sevenDay;
    return UsageWindowKind::custom;
}

std::optional<std::int64_t> durationSeconds(const std::optional<std::int64_t>& minutes)
{
    if (!minutes || *minutes < 1 || *minutes > longestWindowMinutes)
        return std::nullopt;
    return *minutes * 60;
}

// 9999-12-31T23:59:59Z: later reset times are no dates any view can show.
constexpr std::int64_t latestResetSeconds = 253402300799;

std::optional<Instant> resetAt(const std::optional<std::int64_t>& resetsAt)
{
    if (!resetsAt || *resetsAt < 1 || *resetsAt > latestResetSeconds)
        return std::nullopt;
    return Instant::fromSecondsSince1970(static_cast<double>(*resetsAt));
}

QList<UsageWindowSample> rateLimitWindows(const CodexRateLimitsPayload& payload, const QUuid& connectionID,
                                          Instant observedAt, const std::optional<QString>& sourceVersion,
                                          QList<ProviderDiagnostic>& diagnostics)
{
    const SourceDescriptor source = CodexProviderIdentity::source();

    QList<UsageWindowSample> windows;
    for (const SnapshotEntry& entry : snapshotEntries(payload)) {
        const CodexRateLimitSnapshot& snapshot = *entry.snapshot;
        const QString baseName = isBlank(snapshot.limitId) ? entry.key : *snapshot.limitId;
        const std::pair<QString, const std::optional<CodexRateLimitWindow>*> named[] = {
            {u"primary"_s, &snapshot.primary},
            {u"secondary"_s, &snapshot.secondary},
        };
        for (const auto& [windowName, optionalWindow] : named) {
            if (!*optionalWindow)
                continue;
            const CodexRateLimitWindow& window = **optionalWindow;
            if (window.usedPercent < 0 || window.usedPercent > 100) {
                diagnostics.append(invalidUsedPercent());
                continue;
            }
            const QString bucketID = baseName + u'.' + windowName;
            windows.append(UsageWindowSample{
                .id = RecordIdentifier::window(connectionID, bucketID, observedAt),
                .connectionID = connectionID,
                .providerBucketID = bucketID,
                .providerBucketName = snapshot.limitName,
                .windowKind = windowKind(window.windowDurationMins),
                .observedAt = observedAt,
                .durationSeconds = durationSeconds(window.windowDurationMins),
                .resetAt = resetAt(window.resetsAt),
                .usedFraction = Decimal::fromInteger(window.usedPercent).scaledByPowerOfTen(-2),
                .authority = MeasurementAuthority::vendorAuthoritative,
                .confidence = MeasurementConfidence::exact,
                .coverage = MeasurementCoverage::account,
                .freshness = MeasurementFreshness::live,
                .source = source,
                .sourceVersion = sourceVersion,
            });
        }
    }
    return windows;
}

// Strict day text: exactly "yyyy-MM-dd" of a real Gregorian date. QDate takes a signed
// year, and must print back to the same text so no lenient reading slips through.
std::optional<QDate> parseDay(const QString& text)
{
    const QString format = u"yyyy-MM-dd"_s;
    const QDate date = QDate::fromString(text, format);
    if (!date.isValid() || text.size() != format.size() || date.toString(format) != text)
        return std::nullopt;
    return date;
}

QList<TokenUsageBucket> dailyBuckets(const std::optional<QList<CodexDailyUsageBucket>>& days,
                                     const QUuid& connectionID, const std::optional<QString>& sourceVersion,
                                     QList<ProviderDiagnostic>& diagnostics)
{
    if (!days)
        return {};
    const QString idPrefix = RecordIdentifier::connectionText(connectionID) + u":codex.account:"_s;
    const SourceDescriptor source = CodexProviderIdentity::source();

    QList<TokenUsageBucket> buckets;
    for (const CodexDailyUsageBucket& day : *days) {
        const std::optional<QDate> start = day.tokens < 0 ? std::nullopt : parseDay(day.startDate);
        const QDate end = start ? start->addDays(1) : QDate();
        if (!start || !end.isValid()) {
            diagnostics.append(invalidHistoryBucket());
            continue;
        }
        buckets.append(TokenUsageBucket{
            .id = idPrefix + day.startDate,
            .connectionID = connectionID,
            .intervalStart = Instant::fromDateTime(QDateTime(*start, QTime(0, 0), Qt::UTC)),
            .intervalEnd = Instant::fromDateTime(QDateTime(end, QTime(0, 0), Qt::UTC)),
            .calendarIdentifier = u"gregorian"_s,
            .timeZoneIdentifier = u"UTC"_s,
            .totalTokens = day.tokens,
            .authority = MeasurementAuthority::vendorAuthoritative,
            .confidence = MeasurementConfidence::exact,
            .coverage = MeasurementCoverage::account,
            .source = source,
            .sourceVersion = sourceVersion,
        });
    }
    return buckets;
}

} // namespace

std::expected<ProviderCollectionResult, CodexNormalizationFailure>
CodexPayloadNormalizer::normalize(const QByteArray& rateLimitLine, const std::optional<QByteArray>& usageLine,
                                  const QUuid& connectionID, Instant observedAt,
                                  const std::optional<QString>& sourceVersion)
{
    const auto envelope = fromJsonBytes<CodexRateLimitsEnvelope>(rateLimitLine);
    if (!envelope)
        return std::unexpected(CodexNormalizationFailure(envelope.error()));
    if (envelope->error || !envelope->result)
        return std::unexpected(CodexNormalizationFailure(CodexProviderError::Kind::protocolError));

    QList<ProviderDiagnostic> diagnostics;
    QList<UsageWindowSample> windows =
        rateLimitWindows(*envelope->result, connectionID, observedAt, sourceVersion, diagnostics);
    if (windows.isEmpty())
        diagnostics.append(noUsageWindows());

    QList<TokenUsageBucket> buckets;
    if (!usageLine) {
        diagnostics.append(accountUsageUnavailable());
    } else if (const auto usage = fromJsonBytes<CodexAccountUsageEnvelope>(*usageLine); !usage) {
        diagnostics.append(accountUsageSchema());
    } else if (usage->error || !usage->result) {
        diagnostics.append(accountUsageUnavailable());
    } else {
        buckets = dailyBuckets(usage->result->dailyUsageBuckets, connectionID, sourceVersion, diagnostics);
    }

    return ProviderCollectionResult{
        .provider = CodexProviderIdentity::provider(),
        .collectedAt = observedAt,
        .windows = std::move(windows),
        .tokenBuckets = std::move(buckets),
        .diagnostics = std::move(diagnostics),
    };
}

} // namespace tallyvane
