#pragma once

#include <QString>

namespace tallyvane {

// Short English-keyed time texts, translated through the "Localizable" table.
//
// relative() names the largest whole unit of a distance from now (positive: in the future), truncated
// toward zero, in numeric style with abbreviated units ("in 2 min.", "3 hr. ago"). Units are
// fixed spans, no calendar arithmetic: seconds below 60 s, minutes below 1 h, hours below
// 24 h, days below 7 days, weeks below one month, months below one year, then years; a month
// is one twelfth of the average Gregorian year (30.436875 days), so there are at most 4 weeks
// and at most 11 months. Under one whole second the
// sign still decides: "in 0 sec." ahead, "0 sec. ago" for now and just before (so a refresh
// that has just finished reads "Updated 0 sec. ago").
//
// countdown() writes a duration with its two largest units, zero units left out and the rest
// truncated ("1 hr, 29 min", "2 days", "42 sec"); negative durations read "0 sec".
namespace RelativeTimeFormatter {

QString relative(double secondsFromNow);
QString countdown(double seconds);

} // namespace RelativeTimeFormatter
} // namespace tallyvane
