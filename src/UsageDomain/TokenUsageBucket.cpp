#include "TokenUsageBucket.h"

#include "JsonObjectReader.h"
#include "JsonObjectWriter.h"

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

size_t qHash(const TokenUsageBucket& v, size_t seed) noexcept
{
    return FieldHasher(seed)
        .add(v.id)
        .add(v.connectionID)
        .add(v.intervalStart)
        .add(v.intervalEnd)
        .add(v.calendarIdentifier)
        .add(v.timeZoneIdentifier)
        .add(v.modelID)
        .add(v.inputTokens)
        .add(v.outputTokens)
        .add(v.cacheReadTokens)
        .add(v.cacheWriteTokens)
        .add(v.totalTokens)
        .add(v.authority)
        .add(v.confidence)
        .add(v.coverage)
        .add(v.source)
        .add(v.sourceVersion)
        .result();
}

QJsonValue JsonValue<TokenUsageBucket>::write(const TokenUsageBucket& v)
{
    return JsonObjectWriter()
        .set("id"_L1, v.id)
        .set("connectionID"_L1, v.connectionID)
        .set("intervalStart"_L1, v.intervalStart)
        .set("intervalEnd"_L1, v.intervalEnd)
        .set("calendarIdentifier"_L1, v.calendarIdentifier)
        .set("timeZoneIdentifier"_L1, v.timeZoneIdentifier)
        .set("modelID"_L1, v.modelID)
        .set("inputTokens"_L1, v.inputTokens)
        .set("outputTokens"_L1, v.outputTokens)
        .set("cacheReadTokens"_L1, v.cacheReadTokens)
        .set("cacheWriteTokens"_L1, v.cacheWriteTokens)
        .set("totalTokens"_L1, v.totalTokens)
        .set("authority"_L1, v.authority)
        .set("confidence"_L1, v.confidence)
        .set("coverage"_L1, v.coverage)
        .set("source"_L1, v.source)
        .set("sourceVersion"_L1, v.sourceVersion)
        .object();
}

Decoded<TokenUsageBucket> JsonValue<TokenUsageBucket>::read(const QJsonValue& json, QStringView path)
{
    JsonObjectReader r(json, path);
    TokenUsageBucket v{
        .id = r.required<QString>("id"_L1),
        .connectionID = r.required<QUuid>("connectionID"_L1),
        .intervalStart = r.required<Instant>("intervalStart"_L1),
        .intervalEnd = r.required<Instant>("intervalEnd"_L1),
        .calendarIdentifier = r.required<QString>("calendarIdentifier"_L1),
        .timeZoneIdentifier = r.required<QString>("timeZoneIdentifier"_L1),
        .modelID = r.optional<QString>("modelID"_L1),
        .inputTokens = r.optional<std::int64_t>("inputTokens"_L1),
        .outputTokens = r.optional<std::int64_t>("outputTokens"_L1),
        .cacheReadTokens = r.optional<std::int64_t>("cacheReadTokens"_L1),
        .cacheWriteTokens = r.optional<std::int64_t>("cacheWriteTokens"_L1),
        .totalTokens = r.optional<std::int64_t>("totalTokens"_L1),
        .authority = r.required<MeasurementAuthority>("authority"_L1),
        .confidence = r.required<MeasurementConfidence>("confidence"_L1),
        .coverage = r.required<MeasurementCoverage>("coverage"_L1),
        .source = r.required<SourceDescriptor>("source"_L1),
        .sourceVersion = r.optional<QString>("sourceVersion"_L1),
    };
    return r.finish(std::move(v));
}

} // namespace tallyvane
