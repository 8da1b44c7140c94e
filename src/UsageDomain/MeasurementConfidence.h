#pragma once

#include "EnumCases.h"

namespace tallyvane {

// How exact a number is.
enum class MeasurementConfidence { exact, high, partial, low, unavailable };

template <> struct EnumCases<MeasurementConfidence> {
    static constexpr std::array<std::string_view, 5> names{"exact", "high", "partial", "low", "unavailable"};
};

} // namespace tallyvane
