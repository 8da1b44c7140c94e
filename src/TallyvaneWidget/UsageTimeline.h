#pragma once

#include "UsageTimelineEntry.h"

#include <QList>

namespace tallyvane {

// The entries to show and the date after which the host asks for a new timeline.
struct UsageTimeline {
    QList<UsageTimelineEntry> entries;
    WidgetDate reloadAfter;
};

} // namespace tallyvane
