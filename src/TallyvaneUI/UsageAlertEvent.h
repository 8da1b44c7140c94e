#pragma once

#include "UsageAlertSample.h"

#include <UsageDomain/EnumCases.h>

namespace tallyvane {

enum class UsageAlertEventKind { threshold, reset };

template <> struct EnumCases<UsageAlertEventKind> {
    static constexpr std::array<std::string_view, 2> names{"threshold", "reset"};
};

// Something worth telling the user about one window: it newly reached a threshold, or its
// allowance is available again. Build through the factories so a reset carries no percentage.
struct UsageAlertEvent {
    UsageAlertEventKind kind = UsageAlertEventKind::threshold;
    UsageAlertSample sample;
    int percentage = 0; // whole percent of the threshold; 0 for a reset

    static UsageAlertEvent threshold(UsageAlertSample sample, int percentage)
    {
        return {UsageAlertEventKind::threshold, std::move(sample), percentage};
    }
    static UsageAlertEvent reset(UsageAlertSample sample)
    {
        return {UsageAlertEventKind::reset, std::move(sample), 0};
    }

    friend bool operator==(const UsageAlertEvent&, const UsageAlertEvent&) = default;
};

} // namespace tallyvane
