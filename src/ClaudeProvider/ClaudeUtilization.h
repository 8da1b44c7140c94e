#pragma once

#include "ClaudeUtilizationWindow.h"

#include <optional>

namespace tallyvane {

// The whole Claude usage answer: up to six windows, each possibly missing or null. Keys not
// listed here are ignored, so a new window kind on the server side breaks nothing.
struct ClaudeUtilization {
    std::optional<ClaudeUtilizationWindow> fiveHour;
    std::optional<ClaudeUtilizationWindow> sevenDay;
    std::optional<ClaudeUtilizationWindow> sevenDayOAuthApps;
    std::optional<ClaudeUtilizationWindow> sevenDayOpus;
    std::optional<ClaudeUtilizationWindow> sevenDaySonnet;
    std::optional<ClaudeUtilizationWindow> sevenDayCowork;

    friend bool operator==(const ClaudeUtilization&, const ClaudeUtilization&) = default;
};

template <> struct JsonValue<ClaudeUtilization> {
    static Decoded<ClaudeUtilization> read(const QJsonValue& json, QStringView path);
};

} // namespace tallyvane
