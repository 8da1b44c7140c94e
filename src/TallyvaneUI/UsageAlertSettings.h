#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <functional>

namespace tallyvane {

// The user's notification choices, read afresh for every evaluation.
struct UsageAlertSettings {
    bool enabled = false;
    bool threshold50 = true;
    bool threshold75 = true;
    bool threshold90 = true;
    bool threshold95 = true;
    bool windowReset = false;

    // The enabled thresholds as fractions, lowest first.
    QList<double> thresholdFractions() const;

    // From a preferences lookup that answers an invalid QVariant for an absent key. A value
    // that is not a boolean counts as the key's default.
    static UsageAlertSettings read(const std::function<QVariant(const QString& key)>& lookup);

    friend bool operator==(const UsageAlertSettings&, const UsageAlertSettings&) = default;
};

} // namespace tallyvane
