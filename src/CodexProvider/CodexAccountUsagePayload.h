#pragma once

#include "CodexDailyUsageBucket.h"

#include <QList>

#include <optional>

namespace tallyvane {

// The "result" of account/usage/read.
struct CodexAccountUsagePayload {
    std::optional<QList<CodexDailyUsageBucket>> dailyUsageBuckets;

    friend bool operator==(const CodexAccountUsagePayload&, const CodexAccountUsagePayload&) = default;
};

template <> struct JsonValue<CodexAccountUsagePayload> {
    static Decoded<CodexAccountUsagePayload> read(const QJsonValue& json, QStringView path);
};

} // namespace tallyvane
