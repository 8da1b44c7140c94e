#pragma once

#include <QFont>
#include <QPalette>

namespace tallyvane::Appearance {

// Dark when the palette's window colour is darker than mid-grey.
bool isDark(const QPalette& palette);
// The desktop's "reduce animations" wish; TALLYVANE_REDUCE_MOTION=1 forces it.
bool prefersReducedMotion();
// Without a compositor translucent fills look broken, so surfaces become opaque.
bool prefersOpaqueSurfaces();
// `font` scaled by `factor`, whether its size is given in points or in pixels.
QFont scaledFont(QFont font, qreal factor);

} // namespace tallyvane::Appearance
