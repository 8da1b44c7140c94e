#pragma once

#include <UsageDomain/JsonValue.h>

#include <cstdint>

namespace tallyvane {

// One day of account token history; startDate is kept as received and checked later.
struct CodexDailyUsageBucket {
    QString startDate;
    std::int64_t tokens = 0;

    friend bool operator==(const CodexDailyUsageBucket&, const CodexDailyUsageBucket&) = default;
};

template <> struct JsonValue<CodexDailyUsageBucket> {
    static Decoded<CodexDailyUsageBucket> read(const QJsonValue& json, QStringView path);
};

} // namespace tallyvane
