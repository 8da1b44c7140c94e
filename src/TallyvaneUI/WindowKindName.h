#pragma once

#include <UsageDomain/UsageWindowKind.h>

#include <QString>

namespace tallyvane {

// What a window is called by its kind: "Session", "Weekly", "Model", "Custom", else "Window".
// The alerts, the cards, the dashboard and its table all name windows this way.
QString windowKindName(UsageWindowKind kind);

} // namespace tallyvane
