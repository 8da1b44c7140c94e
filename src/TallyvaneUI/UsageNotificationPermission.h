#pragma once

#include <UsageDomain/EnumCases.h>

namespace tallyvane {

// Whether usage alerts may be shown; `unavailable` means there is no notification service.
enum class UsageNotificationPermission { unavailable, notRequested, denied, allowed };

template <> struct EnumCases<UsageNotificationPermission> {
    static constexpr std::array<std::string_view, 4> names{"unavailable", "notRequested", "denied",
                                                           "allowed"};
};

} // namespace tallyvane
