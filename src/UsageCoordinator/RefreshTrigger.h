#pragma once

#include <UsageDomain/EnumCases.h>

namespace tallyvane {

// Why a refresh was asked for. Only manual ignores backoff.
enum class RefreshTrigger { manual, scheduled, providerFileChanged, appBecameActive };

template <> struct EnumCases<RefreshTrigger> {
    static constexpr std::array<std::string_view, 4> names{"manual", "scheduled", "providerFileChanged",
                                                           "appBecameActive"};
};

} // namespace tallyvane
