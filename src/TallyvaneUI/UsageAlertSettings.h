#pragma once

#include <QList>

namespace tallyvane {

class Preferences;

// The user's notification choices, read afresh for every evaluation.
struct UsageAlertSettings {
    bool enabled = false;
    bool threshold50 = true;
    bool threshold75 = true;
    bool threshold90 = true;
    bool threshold95 = true;
    bool windowReset = false;
    bool paceWarnings = true;

    // The enabled thresholds as fractions, lowest first.
    QList<double> thresholdFractions() const;

    // Through the same readers the settings window shows, so a switch that shows on is on.
    static UsageAlertSettings read(const Preferences& preferences);

    friend bool operator==(const UsageAlertSettings&, const UsageAlertSettings&) = default;
};

} // namespace tallyvane
