#pragma once

#include <TallyvaneWidgetSupport/WidgetUsageSnapshot.h>

namespace tallyvane {

// One moment of the widget: the document to draw and the date it stands for.
struct UsageTimelineEntry {
    WidgetDate date;
    WidgetUsageSnapshot snapshot;

    friend bool operator==(const UsageTimelineEntry&, const UsageTimelineEntry&) = default;
};

} // namespace tallyvane
