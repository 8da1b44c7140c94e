#pragma once

#include "UsageWidgetView.h"

#include <QImage>

namespace tallyvane {

// Draws the widget into an image without a window, corners left transparent.
QImage renderWidgetImage(const UsageTimelineEntry& entry, UsageWidgetView::Family family, WidgetDate now,
                         qreal devicePixelRatio);

} // namespace tallyvane
