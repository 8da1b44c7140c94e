#pragma once

#include <UsageDomain/EnumCases.h>

namespace tallyvane {

enum class NotificationPostingError {
    busUnavailable, // no session bus to talk to
    serviceFailed,  // the notification service answered with an error or not at all
};

template <> struct EnumCases<NotificationPostingError> {
    static constexpr std::array<std::string_view, 2> names{"busUnavailable", "serviceFailed"};
};

} // namespace tallyvane
