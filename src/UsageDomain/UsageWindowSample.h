#pragma once

#include "Decimal.h"
#include "Instant.h"
#include "MeasurementAuthority.h"
#include "MeasurementConfidence.h"
#include "MeasurementCoverage.h"
#include "MeasurementFreshness.h"
#include "SourceDescriptor.h"
#include "UsageUnit.h"
#include "UsageWindowKind.h"

#include <QUuid>

#include <cstdint>
#include <optional>

namespace tallyvane {

// One allowance window as observed at one moment. A plain value: no validation, no derived
// fields; normalisers check ranges before they build one.
struct UsageWindowSample {
    QString id;
    QUuid connectionID;
    QString providerBucketID;
    std::optional<QString> providerBucketName;
    UsageWindowKind windowKind = UsageWindowKind::unknown;
    std::optional<QString> modelID;
    Instant observedAt;
    std::optional<Instant> providerFetchedAt;
    std::optional<std::int64_t> durationSeconds;
    std::optional<Instant> windowStart;
    std::optional<Instant> windowEnd;
    std::optional<Instant> resetAt;
    std::optional<Decimal> usedFraction;
    std::optional<Decimal> remainingFraction;
    std::optional<Decimal> absoluteUsed;
    std::optional<Decimal> absoluteLimit;
    std::optional<UsageUnit> unit;
    MeasurementAuthority authority = MeasurementAuthority::vendorAuthoritative;
    MeasurementConfidence confidence = MeasurementConfidence::exact;
    MeasurementCoverage coverage = MeasurementCoverage::account;
    MeasurementFreshness freshness = MeasurementFreshness::live;
    SourceDescriptor source;
    std::optional<QString> sourceVersion;

    friend bool operator==(const UsageWindowSample&, const UsageWindowSample&) = default;
};

size_t qHash(const UsageWindowSample& value, size_t seed = 0) noexcept;

template <> struct JsonValue<UsageWindowSample> {
    static QJsonValue write(const UsageWindowSample& value);
    static Decoded<UsageWindowSample> read(const QJsonValue& json, QStringView path);
};

} // namespace tallyvane

TALLYVANE_STD_HASH(tallyvane::UsageWindowSample)
