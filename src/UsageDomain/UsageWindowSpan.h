#pragma once

#include "UsageWindowSample.h"

#include <optional>
#include <utility>

namespace tallyvane::UsageWindowSpan {

// When the window began: windowStart, else resetAt - durationSeconds.
std::optional<Instant> start(const UsageWindowSample& window);
// Start and end of the window: the end is resetAt, else windowEnd, else start +
// durationSeconds. Nothing when either is missing.
std::optional<std::pair<Instant, Instant>> of(const UsageWindowSample& window);

} // namespace tallyvane::UsageWindowSpan
