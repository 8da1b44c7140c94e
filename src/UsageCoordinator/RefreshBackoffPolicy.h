#pragma once

#include "BackoffState.h"

#include <cstdint>
#include <optional>

namespace tallyvane {

// How long a failing provider is left alone by automatic refreshes: doubling from
// initialDelay, capped at maximumDelay, no jitter. Seconds throughout.
struct RefreshBackoffPolicy {
    double initialDelay = 30;
    double maximumDelay = 1800;

    static constexpr RefreshBackoffPolicy applicationDefault() { return {30, 1800}; }

    // The delay after the failureCount-th consecutive failure; the exponent stops at 20 so
    // any count, however large, gives a finite delay.
    double delayAfter(std::int64_t failureCount) const;

    // The entry after one more failure of a refresh that started at startedAt.
    BackoffState failed(const std::optional<BackoffState>& previous, Instant startedAt) const;

    friend bool operator==(const RefreshBackoffPolicy&, const RefreshBackoffPolicy&) = default;
};

} // namespace tallyvane
