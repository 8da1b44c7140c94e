#pragma once

#include <QFont>
#include <QPalette>

#include <optional>

namespace tallyvane::Appearance {

// Dark when the palette's window colour is darker than mid-grey.
bool isDark(const QPalette& palette);
// The desktop's "reduce animations" wish; TALLYVANE_REDUCE_MOTION=1 forces it. What the desktop
// published (setDesktopReducedMotion) counts before its configuration files.
bool prefersReducedMotion();
// The wish as a desktop service publishes it; absent when it publishes none.
void setDesktopReducedMotion(std::optional<bool> reduced);
// The palette used where the desktop asks for dark but the platform gives a light palette.
QPalette darkPalette();
// Without a compositor translucent fills look broken, so surfaces become opaque.
bool prefersOpaqueSurfaces();
// `font` scaled by `factor`, whether its size is given in points or in pixels.
QFont scaledFont(QFont font, qreal factor);

} // namespace tallyvane::Appearance
