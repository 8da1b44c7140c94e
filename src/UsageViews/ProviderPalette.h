#pragma once

#include <ProviderKit/ProviderService.h>

#include <QColor>

namespace tallyvane {

// A service's two colours for meters, rings and marks.
struct ProviderPalette {
    QColor base;
    QColor highlight;

    static ProviderPalette forService(ProviderService service, bool dark);

    static constexpr double warningLevel = 0.75;
    static constexpr double criticalLevel = 0.92;
    // The critical colour at or above 0.92, the warning colour at or above 0.75, else base.
    QColor levelColor(double usedFraction, bool dark) const;
};

} // namespace tallyvane
