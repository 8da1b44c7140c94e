#include "UsageWindowSample.h"

#include "JsonObjectReader.h"
#include "JsonObjectWriter.h"

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

size_t qHash(const UsageWindowSample& v, size_t seed) noexcept
{
    return FieldHasher(seed)
        .add(v.id)
        .add(v.connectionID)
        .add(v.providerBucketID)
        .add(v.providerBucketName)
        .add(v.windowKind)
        .add(v.modelID)
        .add(v.observedAt)
        .add(v.providerFetchedAt)
        .add(v.durationSeconds)
        .add(v.windowStart)
        .add(v.windowEnd)
        .add(v.resetAt)
        .add(v.usedFraction)
        .add(v.remainingFraction)
        .add(v.absoluteUsed)
        .add(v.absoluteLimit)
        .add(v.unit)
        .add(v.authority)
        .add(v.confidence)
        .add(v.coverage)
        .add(v.freshness)
        .add(v.source)
        .add(v.sourceVersion)
        .result();
}

QJsonValue JsonValue<UsageWindowSample>::write(const UsageWindowSample& v)
{
    return JsonObjectWriter()
        .set("id"_L1, v.id)
        .set("connectionID"_L1, v.connectionID)
        .set("providerBucketID"_L1, v.providerBucketID)
        .set("providerBucketName"_L1, v.providerBucketName)
        .set("windowKind"_L1, v.windowKind)
        .set("modelID"_L1, v.modelID)
        .set("observedAt"_L1, v.observedAt)
        .set("providerFetchedAt"_L1, v.providerFetchedAt)
        .set("durationSeconds"_L1, v.durationSeconds)
        .set("windowStart"_L1, v.windowStart)
        .set("windowEnd"_L1, v.windowEnd)
        .set("resetAt"_L1, v.resetAt)
        .set("usedFraction"_L1, v.usedFraction)
        .set("remainingFraction"_L1, v.remainingFraction)
        .set("absoluteUsed"_L1, v.absoluteUsed)
        .set("absoluteLimit"_L1, v.absoluteLimit)
        .set("unit"_L1, v.unit)
        .set("authority"_L1, v.authority)
        .set("confidence"_L1, v.confidence)
        .set("coverage"_L1, v.coverage)
        .set("freshness"_L1, v.freshness)
        .set("source"_L1, v.source)
        .set("sourceVersion"_L1, v.sourceVersion)
        .object();
}

Decoded<UsageWindowSample> JsonValue<UsageWindowSample>::read(const QJsonValue& json, QStringView path)
{
    JsonObjectReader r(json, path);
    UsageWindowSample v{
        .id = r.required<QString>("id"_L1),
        .connectionID = r.required<QUuid>("connectionID"_L1),
        .providerBucketID = r.required<QString>("providerBucketID"_L1),
        .providerBucketName = r.optional<QString>("providerBucketName"_L1),
        .windowKind = r.required<UsageWindowKind>("windowKind"_L1),
        .modelID = r.optional<QString>("modelID"_L1),
        .observedAt = r.required<Instant>("observedAt"_L1),
        .providerFetchedAt = r.optional<Instant>("providerFetchedAt"_L1),
        .durationSeconds = r.optional<std::int64_t>("durationSeconds"_L1),
        .windowStart = r.optional<Instant>("windowStart"_L1),
        .windowEnd = r.optional<Instant>("windowEnd"_L1),
        .resetAt = r.optional<Instant>("resetAt"_L1),
        .usedFraction = r.optional<Decimal>("usedFraction"_L1),
        .remainingFraction = r.optional<Decimal>("remainingFraction"_L1),
        .absoluteUsed = r.optional<Decimal>("absoluteUsed"_L1),
        .absoluteLimit = r.optional<Decimal>("absoluteLimit"_L1),
        .unit = r.optional<UsageUnit>("unit"_L1),
        .authority = r.required<MeasurementAuthority>("authority"_L1),
        .confidence = r.required<MeasurementConfidence>("confidence"_L1),
        .coverage = r.required<MeasurementCoverage>("coverage"_L1),
        .freshness = r.required<MeasurementFreshness>("freshness"_L1),
        .source = r.required<SourceDescriptor>("source"_L1),
        .sourceVersion = r.optional<QString>("sourceVersion"_L1),
    };
    return r.finish(std::move(v));
}

} // namespace tallyvane
