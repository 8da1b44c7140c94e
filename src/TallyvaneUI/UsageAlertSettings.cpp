#include "UsageAlertSettings.h"

#include "Preferences.h"

namespace tallyvane {

QList<double> UsageAlertSettings::thresholdFractions() const
{
    QList<double> fractions;
    if (threshold50)
        fractions.append(0.5);
    if (threshold75)
        fractions.append(0.75);
    if (threshold90)
        fractions.append(0.9);
    if (threshold95)
        fractions.append(0.95);
    return fractions;
}

UsageAlertSettings UsageAlertSettings::read(const Preferences& preferences)
{
    return {preferences.notificationsEnabled(),
            preferences.alertThresholdEnabled(50),
            preferences.alertThresholdEnabled(75),
            preferences.alertThresholdEnabled(90),
            preferences.alertThresholdEnabled(95),
            preferences.windowResetNotifications(),
            preferences.paceWarnings()};
}

} // namespace tallyvane
