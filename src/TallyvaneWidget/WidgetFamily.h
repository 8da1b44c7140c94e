#pragma once

namespace tallyvane {

// The two sizes the desktop widget comes in.
enum class WidgetFamily { small, medium };

} // namespace tallyvane
