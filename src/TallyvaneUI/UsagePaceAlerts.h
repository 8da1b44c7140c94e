#pragma once

#include "UsageAlertEvent.h"
#include "UsageWindowKey.h"

#include <QHash>
#include <QList>

namespace tallyvane {

// Decides when to warn that a window is on pace to run out: once per window and period, the
// first time its forecast has it running out at least a quarter of an hour before the reset.
// Unlike a threshold, a window seen for the first time is warned about, since the warning is
// about what is still ahead. State lives in memory only.
class UsagePaceAlerts {
public:
    static constexpr double leastSecondsBeforeReset = 15 * 60;

    // With `enabled` false nothing is posted and every warning is forgotten, so turning the
    // switch on again warns about a window that still runs out.
    QList<UsageAlertEvent> evaluate(const QList<UsageAlertSample>& samples, bool enabled, Instant now);
    void forgetProvider(const QString& providerID);

private:
    QHash<UsageWindowKey, Instant> m_warnedPeriods; // the reset time of the period already warned about
};

} // namespace tallyvane
