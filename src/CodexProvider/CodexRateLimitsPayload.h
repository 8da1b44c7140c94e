#pragma once

#include "CodexRateLimitSnapshot.h"

#include <QMap>

#include <optional>

namespace tallyvane {

// Snapshots keyed by limit id. QMap only holds them; the normaliser decides the order.
using CodexSnapshotsByLimitId = QMap<QString, CodexRateLimitSnapshot>;

// The "result" of account/rateLimits/read.
struct CodexRateLimitsPayload {
    CodexRateLimitSnapshot rateLimits;
    std::optional<CodexSnapshotsByLimitId> rateLimitsByLimitId;

    friend bool operator==(const CodexRateLimitsPayload&, const CodexRateLimitsPayload&) = default;
};

// A JSON object whose every value is a snapshot; a bad value fails at "<path>.<key>".
template <> struct JsonValue<CodexSnapshotsByLimitId> {
    static Decoded<CodexSnapshotsByLimitId> read(const QJsonValue& json, QStringView path);
};

template <> struct JsonValue<CodexRateLimitsPayload> {
    static Decoded<CodexRateLimitsPayload> read(const QJsonValue& json, QStringView path);
};

} // namespace tallyvane
