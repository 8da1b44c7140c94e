#pragma once

#include "UsageAlertSample.h"

#include <UsageDomain/EnumCases.h>

namespace tallyvane {

enum class UsageAlertEventKind { threshold, reset, pace };

template <> struct EnumCases<UsageAlertEventKind> {
    static constexpr std::array<std::string_view, 3> names{"threshold", "reset", "pace"};
};

// Something worth telling the user about one window: it newly reached a threshold, its
// allowance is available again, or it is on pace to run out before its reset. Build through
// the factories so a reset carries no percentage.
struct UsageAlertEvent {
    UsageAlertEventKind kind = UsageAlertEventKind::threshold;
    UsageAlertSample sample;
    int percentage = 0; // whole percent of the threshold; 0 otherwise
    Instant decidedAt;  // for a pace warning, the moment its times are counted from

    static UsageAlertEvent threshold(UsageAlertSample sample, int percentage)
    {
        return {UsageAlertEventKind::threshold, std::move(sample), percentage, {}};
    }
    static UsageAlertEvent reset(UsageAlertSample sample)
    {
        return {UsageAlertEventKind::reset, std::move(sample), 0, {}};
    }
    static UsageAlertEvent pace(UsageAlertSample sample, Instant now)
    {
        return {UsageAlertEventKind::pace, std::move(sample), 0, now};
    }

    friend bool operator==(const UsageAlertEvent&, const UsageAlertEvent&) = default;
};

} // namespace tallyvane
