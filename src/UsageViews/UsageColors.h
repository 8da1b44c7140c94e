#pragma once

#include <QColor>
#include <QPalette>

namespace tallyvane::UsageColors {

QColor accent(bool dark);
// The accent for the darkness of `palette`.
QColor accentOn(const QPalette& palette);
QColor secondaryAccent(bool dark);
QColor warning(bool dark);
QColor critical(bool dark);

} // namespace tallyvane::UsageColors
