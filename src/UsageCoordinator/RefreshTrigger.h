#pragma once

#include <UsageDomain/EnumCases.h>

namespace tallyvane {

// Why a refresh was asked for. Only manual, the user's own request, ignores backoff: a widget
// request may come from anything that can reach the loopback port, so it waits like the loop.
enum class RefreshTrigger { manual, scheduled, providerFileChanged, appBecameActive, widget };

template <> struct EnumCases<RefreshTrigger> {
    static constexpr std::array<std::string_view, 5> names{"manual", "scheduled", "providerFileChanged",
                                                           "appBecameActive", "widget"};
};

} // namespace tallyvane
