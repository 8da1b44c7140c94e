#pragma once

#include "UsageAlertEvent.h"
#include "UsageWindowKey.h"

#include <QHash>
#include <QList>
#include <QSet>

namespace tallyvane {

// Compares each refresh's windows with the previous one and decides what to announce: a
// threshold once per window and reset period, only the highest one newly crossed, nothing for
// a window seen for the first time. State lives in memory only.
class UsageAlertEvaluator {
public:
    using WindowKey = UsageWindowKey;

    struct WindowState {
        double usedFraction = 0;
        std::optional<Instant> resetAt;
        QSet<int> acknowledgedThresholds; // percent, already counted in the current period

        friend bool operator==(const WindowState&, const WindowState&) = default;
    };

    // Providers this refresh could not observe (their collection failed, timed out or was
    // skipped for backoff). Their missing windows are kept until `now` reaches the window's
    // reset time, so one failed refresh does not turn the next reading into a silent first one.
    struct Unobserved {
        QSet<QString> providerIDs;
        Instant now;
    };

    // Events in sample order, at most one per sample. `thresholds` are fractions (0.5 for
    // 50 %). With `enabled` false every window is forgotten.
    QList<UsageAlertEvent> evaluate(const QList<UsageAlertSample>& samples, bool enabled,
                                    const QList<double>& thresholds, bool notifiesOnReset,
                                    const Unobserved& unobserved = {});

    // Forgets every window of a provider, for a service that signed out.
    void forgetProvider(const QString& providerID);

    const QHash<WindowKey, WindowState>& states() const { return m_states; }

private:
    QHash<WindowKey, WindowState> m_states;
};

} // namespace tallyvane
