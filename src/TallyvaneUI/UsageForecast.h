#pragma once

#include "UsagePace.h"
#include "UsagePaceSample.h"

#include <UsageDomain/UsageWindowSample.h>

#include <QList>

#include <optional>

namespace tallyvane {

// Whether a window's allowance lasts until its reset at the recent rate of use.
//
// The rate comes from this session's readings of the window in its current period when at
// least two of them lie ten minutes apart, each stretch between readings weighted by how
// recent it is (one that ended an hour ago counts half); a reading lower than the one before
// (the service corrected itself) starts the rate afresh. Otherwise the rate is the average
// since the window began. A pure function of the readings and the clock.
struct UsageForecast {
    UsagePace pace = UsagePace::tooEarly;
    double fractionPerHour = 0;       // the rate of use the forecast assumes
    double projectedFraction = 0;     // the used share at the reset at that rate
    std::optional<Instant> runsOutAt; // when 100 % is reached; only for `runsOut`
    Instant resetAt;

    // Nothing for a window without a used share or a reset time, one whose reset has passed
    // (it has just reset and the reading is of the old period) and one already used up.
    // `earlier` are readings before the window's own, oldest first; readings of another period
    // (before the window's start) or later than `now` (the clock went back) are left out.
    static std::optional<UsageForecast> of(const UsageWindowSample& window,
                                           const QList<UsagePaceSample>& earlier, Instant now);

    // How long before the reset the allowance runs out; 0 unless it does.
    double secondsBeforeReset() const;

    friend bool operator==(const UsageForecast&, const UsageForecast&) = default;
};

} // namespace tallyvane
