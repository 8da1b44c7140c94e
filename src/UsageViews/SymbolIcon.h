#pragma once

#include <QColor>
#include <QIcon>
#include <QPalette>
#include <QString>

#include <functional>

class QLabel;

namespace tallyvane::SymbolIcon {

// A symbol's colour, read from the palette it is drawn with, so that it follows a switch
// between light and dark.
using Ink = std::function<QColor(const QPalette&)>;

// A named symbol ("arrow.clockwise", "gearshape", ...). Without a tint the desktop theme's icon
// is used when the theme has one; otherwise, and whenever a tint is given, the bundled artwork
// drawn in the tint (the application palette's text colour, as it is at each drawing, when the
// tint is invalid).
QIcon named(const QString& symbol, const QColor& tint = {});
// The bundled artwork in a colour read from the application palette at each drawing.
QIcon inked(const QString& symbol, Ink ink);
// Shows the symbol in `label` at `size` points, in `ink` (the text colour when empty) read from
// the label's palette, and draws it again whenever that palette changes. Labels keep pixmaps,
// not icons, so without this a symbol kept the colours it was made with.
void showIn(QLabel* label, const QString& symbol, int size, Ink ink = {});
// The freedesktop icon name a symbol maps to; empty for an unknown symbol.
QString themeName(const QString& symbol);
// The bundled artwork's resource path.
QString resourcePath(const QString& symbol);

} // namespace tallyvane::SymbolIcon
