#pragma once

#include "EnumCases.h"

namespace tallyvane {

// Who produced a number.
enum class MeasurementAuthority {
    vendorAuthoritative,
    vendorCached,
    locallyMeasured,
    locallyCalculated,
    estimated
};

template <> struct EnumCases<MeasurementAuthority> {
    static constexpr std::array<std::string_view, 5> names{
        "vendorAuthoritative", "vendorCached", "locallyMeasured", "locallyCalculated", "estimated"};
};

} // namespace tallyvane
