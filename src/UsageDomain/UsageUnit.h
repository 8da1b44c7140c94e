#pragma once

#include "EnumCases.h"

namespace tallyvane {

// The unit of a window's absolute amounts.
enum class UsageUnit { tokens, requests, usDollars };

template <> struct EnumCases<UsageUnit> {
    static constexpr std::array<std::string_view, 3> names{"tokens", "requests", "usDollars"};
};

} // namespace tallyvane
