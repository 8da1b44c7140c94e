#pragma once

#include <UsageDomain/Instant.h>

#include <cstdint>

namespace tallyvane {

// The record of one provider that is backing off; a provider without one is not.
struct BackoffState {
    std::int64_t failureCount = 1; // consecutive failed refreshes, at least 1
    Instant nextAutomaticRefreshAt;

    // Equal counts as due, so a retry scheduled for exactly now is not postponed by a tick.
    bool isDueAt(Instant now) const { return nextAutomaticRefreshAt <= now; }

    friend bool operator==(const BackoffState&, const BackoffState&) = default;
};

} // namespace tallyvane
