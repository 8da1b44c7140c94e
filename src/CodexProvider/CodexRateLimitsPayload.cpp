#include "CodexRateLimitsPayload.h"

#include <UsageDomain/JsonObjectReader.h>

#include <QJsonObject>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

Decoded<CodexSnapshotsByLimitId> JsonValue<CodexSnapshotsByLimitId>::read(const QJsonValue& json,
                                                                          QStringView path)
{
    if (!json.isObject())
        return std::unexpected(decodingError(JsonDecodingError::Reason::wrongKind, path));
    const QJsonObject object = json.toObject();
    CodexSnapshotsByLimitId snapshots;
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString key = it.key();
        const QString entryPath = path.isEmpty() ? key : path + u'.' + key;
        auto snapshot = JsonValue<CodexRateLimitSnapshot>::read(it.value(), entryPath);
        if (!snapshot)
            return std::unexpected(snapshot.error());
        snapshots.insert(key, std::move(*snapshot));
    }
    return snapshots;
}

Decoded<CodexRateLimitsPayload> JsonValue<CodexRateLimitsPayload>::read(const QJsonValue& json,
                                                                        QStringView path)
{
    JsonObjectReader reader(json, path);
    CodexRateLimitsPayload value{
        .rateLimits = reader.required<CodexRateLimitSnapshot>("rateLimits"_L1),
        .rateLimitsByLimitId = reader.optional<CodexSnapshotsByLimitId>("rateLimitsByLimitId"_L1),
    };
    return reader.finish(std::move(value));
}

} // namespace tallyvane
