#pragma once

#include <UsageDomain/EnumCases.h>

namespace tallyvane {

// What the system says about posting notifications for this application.
enum class NotificationAuthorization { unavailable, notDetermined, denied, authorized };

template <> struct EnumCases<NotificationAuthorization> {
    static constexpr std::array<std::string_view, 4> names{"unavailable", "notDetermined", "denied",
                                                           "authorized"};
};

} // namespace tallyvane
