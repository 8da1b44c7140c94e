#pragma once

#include "EnumCases.h"

namespace tallyvane {

// How current a number is; set by the provider, no thresholds of the domain's own.
enum class MeasurementFreshness { live, recent, stale, unknown };

template <> struct EnumCases<MeasurementFreshness> {
    static constexpr std::array<std::string_view, 4> names{"live", "recent", "stale", "unknown"};
};

} // namespace tallyvane
