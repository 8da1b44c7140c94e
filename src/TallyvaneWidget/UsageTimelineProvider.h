#pragma once

#include "UsageTimeline.h"

#include <TallyvaneWidgetSupport/WidgetUsageLoader.h>

namespace tallyvane {

// Answers the widget host: a placeholder, a snapshot and a timeline of one live entry. Keeps no
// state between calls; every live entry is one fresh load from the application.
class UsageTimelineProvider {
public:
    static constexpr double reloadInterval = 15 * 60;

    // Loads from the application's live endpoint.
    UsageTimelineProvider();
    explicit UsageTimelineProvider(WidgetUsageLoader loader);

    // The sample document at once; never touches the network.
    UsageTimelineEntry placeholder() const;
    // A preview (a gallery or a first paint) gets the sample without a fetch; otherwise one load.
    QCoro::Task<UsageTimelineEntry> snapshot(bool isPreview) const;
    // One live entry, to be reloaded after reloadDate() of its date.
    QCoro::Task<UsageTimeline> timeline() const;

    // The entry date is the application's last refresh, so an old document gives a reload date
    // in the past: the host then reloads as soon as it allows.
    static WidgetDate reloadDate(WidgetDate entryDate);

private:
    QCoro::Task<UsageTimelineEntry> liveEntry() const;

    WidgetUsageLoader m_loader;
};

} // namespace tallyvane
