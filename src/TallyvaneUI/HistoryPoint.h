#pragma once

#include <ProviderKit/ProviderService.h>
#include <UsageDomain/Instant.h>

#include <cstdint>

namespace tallyvane {

// One local day of token totals for one service.
struct HistoryPoint {
    QString id; // descriptor id + ":" + the day start in whole Unix seconds
    ProviderService service = ProviderService::codex;
    QString providerName;
    Instant date; // start of the day in the user's current time zone
    std::int64_t tokens = 0;

    friend bool operator==(const HistoryPoint&, const HistoryPoint&) = default;
};

} // namespace tallyvane
