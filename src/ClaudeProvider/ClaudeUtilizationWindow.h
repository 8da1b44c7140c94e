#pragma once

#include <UsageDomain/Decimal.h>
#include <UsageDomain/JsonValue.h>

#include <optional>

namespace tallyvane {

// One allowance window of the Claude usage answer. Both keys may be missing or null; the
// reset time stays text here so that an unreadable one costs only the reset, not the window.
struct ClaudeUtilizationWindow {
    std::optional<Decimal> utilization; // a percentage, 0...100 when valid
    std::optional<QString> resetsAt;

    friend bool operator==(const ClaudeUtilizationWindow&, const ClaudeUtilizationWindow&) = default;
};

template <> struct JsonValue<ClaudeUtilizationWindow> {
    static Decoded<ClaudeUtilizationWindow> read(const QJsonValue& json, QStringView path);
};

} // namespace tallyvane
