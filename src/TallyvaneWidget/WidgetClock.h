#pragma once

#include <TallyvaneWidgetSupport/WidgetDate.h>

#include <functional>

namespace tallyvane {

// The clock the views measure relative times against; injectable for renders and tests.
using WidgetClock = std::function<WidgetDate()>;

} // namespace tallyvane
