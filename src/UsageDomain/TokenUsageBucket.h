#pragma once

#include "Instant.h"
#include "MeasurementAuthority.h"
#include "MeasurementConfidence.h"
#include "MeasurementCoverage.h"
#include "SourceDescriptor.h"

#include <QUuid>

#include <cstdint>
#include <optional>

namespace tallyvane {

// Token totals reported for one interval (for example one day). Every count may be absent.
struct TokenUsageBucket {
    QString id;
    QUuid connectionID;
    Instant intervalStart;
    Instant intervalEnd;
    QString calendarIdentifier;
    QString timeZoneIdentifier;
    std::optional<QString> modelID;
    std::optional<std::int64_t> inputTokens;
    std::optional<std::int64_t> outputTokens;
    std::optional<std::int64_t> cacheReadTokens;
    std::optional<std::int64_t> cacheWriteTokens;
    std::optional<std::int64_t> totalTokens;
    MeasurementAuthority authority = MeasurementAuthority::vendorAuthoritative;
    MeasurementConfidence confidence = MeasurementConfidence::exact;
    MeasurementCoverage coverage = MeasurementCoverage::account;
    SourceDescriptor source;
    std::optional<QString> sourceVersion;

    friend bool operator==(const TokenUsageBucket&, const TokenUsageBucket&) = default;
};

size_t qHash(const TokenUsageBucket& value, size_t seed = 0) noexcept;

template <> struct JsonValue<TokenUsageBucket> {
    static QJsonValue write(const TokenUsageBucket& value);
    static Decoded<TokenUsageBucket> read(const QJsonValue& json, QStringView path);
};

} // namespace tallyvane

TALLYVANE_STD_HASH(tallyvane::TokenUsageBucket)
