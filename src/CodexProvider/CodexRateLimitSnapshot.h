#pragma once

#include "CodexRateLimitWindow.h"

#include <QString>

#include <optional>

namespace tallyvane {

// The windows of one limit (for example the account's default limit).
struct CodexRateLimitSnapshot {
    std::optional<QString> limitId;
    std::optional<QString> limitName;
    std::optional<CodexRateLimitWindow> primary;
    std::optional<CodexRateLimitWindow> secondary;

    friend bool operator==(const CodexRateLimitSnapshot&, const CodexRateLimitSnapshot&) = default;
};

template <> struct JsonValue<CodexRateLimitSnapshot> {
    static Decoded<CodexRateLimitSnapshot> read(const QJsonValue& json, QStringView path);
};

} // namespace tallyvane
