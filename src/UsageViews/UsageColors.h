#pragma once

#include <QColor>

namespace tallyvane::UsageColors {

QColor accent(bool dark);
QColor secondaryAccent(bool dark);
QColor warning(bool dark);
QColor critical(bool dark);

} // namespace tallyvane::UsageColors
