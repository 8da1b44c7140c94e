#pragma once

#include "EnumCases.h"

namespace tallyvane {

// What scope a number covers.
enum class MeasurementCoverage { account, organization, device, processSession, conversation, unknown };

template <> struct EnumCases<MeasurementCoverage> {
    static constexpr std::array<std::string_view, 6> names{"account",        "organization", "device",
                                                           "processSession", "conversation", "unknown"};
};

} // namespace tallyvane
