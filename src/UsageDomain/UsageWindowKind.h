#pragma once

#include "EnumCases.h"

namespace tallyvane {

// What kind of allowance window a sample describes.
enum class UsageWindowKind { fiveHour, sevenDay, modelSpecific, custom, unknown };

template <> struct EnumCases<UsageWindowKind> {
    static constexpr std::array<std::string_view, 5> names{"fiveHour", "sevenDay", "modelSpecific", "custom",
                                                           "unknown"};
};

} // namespace tallyvane
