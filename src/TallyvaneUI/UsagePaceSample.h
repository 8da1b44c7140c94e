#pragma once

#include <UsageDomain/Instant.h>

namespace tallyvane {

// One earlier reading of a window's used share in this session. Kept in memory only.
struct UsagePaceSample {
    Instant observedAt;
    double usedFraction = 0;

    friend bool operator==(const UsagePaceSample&, const UsagePaceSample&) = default;
};

} // namespace tallyvane
