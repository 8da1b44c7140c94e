#pragma once

namespace tallyvane {

// What the recent rate of use says about a window's allowance.
enum class UsagePace {
    runsOut,  // 100 % is reached before the reset
    onPace,   // the allowance lasts; the forecast names the share at the reset
    tooEarly, // too little of the window and too few readings to tell
};

} // namespace tallyvane
