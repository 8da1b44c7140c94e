#pragma once

#include <UsageDomain/UsageWindowSample.h>

#include <QLocale>
#include <QString>

#include <optional>
#include <utility>

namespace tallyvane::UsageWindowText {

// "Session", "Weekly", "Model", "Custom" or "Window".
QString displayName(UsageWindowKind kind);
// The reset time relative to now ("in 2 hr."); without one "Not started" when the window
// reports exactly nothing used, otherwise "Unknown".
QString resetText(const UsageWindowSample& window, Instant now);
// Start and end of the window: the start is windowStart, else resetAt - durationSeconds; the
// end is resetAt, else windowEnd, else start + durationSeconds. Nothing when either is missing.
std::optional<std::pair<Instant, Instant>> span(const UsageWindowSample& window);
// "This window runs <start> – <end>", "No reset time reported" without a reset time, and
// "Resets <end>" when only the reset time is known.
QString spanHelp(const UsageWindowSample& window, Instant now);
// A time as the span help writes it: the short time on now's day, else weekday and time.
QString spanTime(Instant time, Instant now);
// The whole percent in the locale ("31%"), rounded as every surface rounds (UsagePercent);
// "—" without a value.
QString percentText(std::optional<double> fraction);
// The remaining share's percent, rounded the same way; "—" when the window has no share.
QString remainingPercentText(const UsageWindowSample& window);
// The used fraction, or 1 - the remaining fraction; nothing when neither is a finite number.
std::optional<double> usedFraction(const UsageWindowSample& window);

} // namespace tallyvane::UsageWindowText
