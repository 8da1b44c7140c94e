#include "UsageWindowSpan.h"

namespace tallyvane::UsageWindowSpan {

std::optional<Instant> start(const UsageWindowSample& window)
{
    if (window.windowStart)
        return window.windowStart;
    if (window.resetAt && window.durationSeconds)
        return window.resetAt->addingSeconds(-static_cast<double>(*window.durationSeconds));
    return std::nullopt;
}

std::optional<std::pair<Instant, Instant>> of(const UsageWindowSample& window)
{
    const std::optional<Instant> begin = start(window);
    if (!begin)
        return std::nullopt;
    std::optional<Instant> end = window.resetAt ? window.resetAt : window.windowEnd;
    if (!end && window.durationSeconds)
        end = begin->addingSeconds(static_cast<double>(*window.durationSeconds));
    if (!end)
        return std::nullopt;
    return std::pair{*begin, *end};
}

} // namespace tallyvane::UsageWindowSpan
