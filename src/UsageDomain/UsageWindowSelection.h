#pragma once

#include "UsageWindowSample.h"

#include <QList>

#include <optional>

namespace tallyvane {

// Which windows the surfaces show, decided in one place so that the tray, the popover, the
// dashboard, the table, the alerts and the widget agree on them.
class UsageWindowSelection {
public:
    // The one window shown for a provider: the newest of the preferred kind, else the newest
    // of all (the first one on equal times); absent without windows. The surfaces that have no
    // setting of their own prefer the five-hour window.
    static std::optional<UsageWindowSample> chosen(const QList<UsageWindowSample>& windows,
                                                   std::optional<UsageWindowKind> preferredKind);
    static std::optional<UsageWindowSample> primary(const QList<UsageWindowSample>& windows)
    {
        return chosen(windows, UsageWindowKind::fiveHour);
    }
    // The newest window of each bucket, ordered by window kind and then bucket id.
    static QList<UsageWindowSample> latestPerBucket(const QList<UsageWindowSample>& windows);
};

} // namespace tallyvane
