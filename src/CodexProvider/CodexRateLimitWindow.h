#pragma once

#include <UsageDomain/JsonValue.h>

#include <cstdint>
#include <optional>

namespace tallyvane {

// One allowance window as the app-server reports it, before any range checks.
struct CodexRateLimitWindow {
    std::int64_t usedPercent = 0;
    std::optional<std::int64_t> windowDurationMins;
    std::optional<std::int64_t> resetsAt; // seconds since 1970-01-01 UTC

    friend bool operator==(const CodexRateLimitWindow&, const CodexRateLimitWindow&) = default;
};

template <> struct JsonValue<CodexRateLimitWindow> {
    static Decoded<CodexRateLimitWindow> read(const QJsonValue& json, QStringView path);
};

} // namespace tallyvane
