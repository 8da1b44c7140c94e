#include "UsageAlertSettings.h"

using namespace Qt::Literals::StringLiterals;

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

UsageAlertSettings UsageAlertSettings::read(const std::function<QVariant(const QString& key)>& lookup)
{
    const auto flag = [&lookup](const QString& key, bool fallback) {
        const QVariant value = lookup(key);
        return value.typeId() == QMetaType::Bool ? value.toBool() : fallback;
    };
    const UsageAlertSettings defaults;
    UsageAlertSettings settings;
    settings.enabled = flag(u"notifications.enabled"_s, defaults.enabled);
    settings.threshold50 = flag(u"notifications.threshold.50"_s, defaults.threshold50);
    settings.threshold75 = flag(u"notifications.threshold.75"_s, defaults.threshold75);
    settings.threshold90 = flag(u"notifications.threshold.90"_s, defaults.threshold90);
    settings.threshold95 = flag(u"notifications.threshold.95"_s, defaults.threshold95);
    settings.windowReset = flag(u"notifications.windowReset"_s, defaults.windowReset);
    return settings;
}

} // namespace tallyvane
