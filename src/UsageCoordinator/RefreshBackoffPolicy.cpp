#include "RefreshBackoffPolicy.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tallyvane {

namespace {
constexpr std::int64_t maximumExponent = 20;
}

double RefreshBackoffPolicy::delayAfter(std::int64_t failureCount) const
{
    // A count below 1 cannot come from a real failure; treat it as the first.
    const std::int64_t exponent = std::clamp<std::int64_t>(failureCount, 1, maximumExponent + 1) - 1;
    const double delay = std::ldexp(initialDelay, static_cast<int>(exponent));
    return maximumDelay < delay ? maximumDelay : delay;
}

BackoffState RefreshBackoffPolicy::failed(const std::optional<BackoffState>& previous,
                                          Instant startedAt) const
{
    std::int64_t count = 1;
    if (previous) {
        // Saturate rather than wrap: the delay is at its ceiling long before this matters.
        count = previous->failureCount < std::numeric_limits<std::int64_t>::max() ? previous->failureCount + 1
                                                                                  : previous->failureCount;
    }
    return {count, startedAt.addingSeconds(delayAfter(count))};
}

} // namespace tallyvane
