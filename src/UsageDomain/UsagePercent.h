#pragma once

#include "Decimal.h"
#include "UsageWindowSample.h"

#include <QtGlobal>

#include <optional>

namespace tallyvane {

// The whole percentage every surface shows for a window, so the tray, the popover, the
// dashboard, the alerts and the widget never disagree by a point: round(fraction x 100),
// halves away from zero, computed on the decimal digits rather than on a binary double.
class UsagePercent {
public:
    // Neither caps at 100; a negative fraction gives a negative percentage.
    static qint64 used(const Decimal& fraction);
    // 100 - used, rounded the same way; never below 0.
    static qint64 remaining(const Decimal& usedFraction);
    // A double is read as the shortest decimal that gives it back (what the JSON writer
    // writes), so a 0.145 that became a double rounds like the decimal 0.145. NaN and
    // infinities give nothing.
    static std::optional<qint64> used(double fraction);
    static std::optional<qint64> remaining(double usedFraction);

    // The window's used share: its used fraction, else 1 minus its remaining fraction, exact.
    static std::optional<Decimal> usedFraction(const UsageWindowSample& window);
    // The window's remaining share: its remaining fraction, else 1 minus its used fraction.
    static std::optional<Decimal> remainingFraction(const UsageWindowSample& window);

private:
    static Decimal complement(const Decimal& fraction);
};

} // namespace tallyvane
