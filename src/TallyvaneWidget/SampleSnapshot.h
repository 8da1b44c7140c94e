#pragma once

#include <TallyvaneWidgetSupport/WidgetUsageSnapshot.h>

namespace tallyvane {

// A fixed, plausible document for placeholders and previews: both services available with one
// five-hour window each, made at `now`.
WidgetUsageSnapshot sampleSnapshot(WidgetDate now);

} // namespace tallyvane
