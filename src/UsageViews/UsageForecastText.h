#pragma once

#include <TallyvaneUI/UsageForecast.h>

#include <QString>

namespace tallyvane::UsageForecastText {

// The forecast as one line: "At this pace: runs out in 1 hr, 12 min", "On pace for 64% at
// reset" or "At this pace: too early to tell". The time to run out counts from `now`.
QString line(const UsageForecast& forecast, Instant now);
// Whether the line is a warning, shown in the warning colour.
bool isWarning(const UsageForecast& forecast);

} // namespace tallyvane::UsageForecastText
