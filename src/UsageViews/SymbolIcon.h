#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

namespace tallyvane::SymbolIcon {

// A named symbol ("arrow.clockwise", "gearshape", ...). Without a tint the desktop theme's icon
// is used when the theme has one; otherwise, and whenever a tint is given, the bundled artwork
// drawn in the tint (the application palette's text colour when the tint is invalid).
QIcon named(const QString& symbol, const QColor& tint = {});
// The freedesktop icon name a symbol maps to; empty for an unknown symbol.
QString themeName(const QString& symbol);
// The bundled artwork's resource path.
QString resourcePath(const QString& symbol);

} // namespace tallyvane::SymbolIcon
