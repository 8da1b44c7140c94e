#pragma once

#include <UsageDomain/EnumCases.h>

namespace tallyvane {

// Whether the menu bar shows the share of a window that is used or the share that is left.
enum class PercentageDisplayMode { consumed, remaining };

template <> struct EnumCases<PercentageDisplayMode> {
    static constexpr std::array<std::string_view, 2> names{"consumed", "remaining"};
};

} // namespace tallyvane
