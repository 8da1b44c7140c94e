#pragma once

#include "StatusIconContent.h"

#include <QIcon>
#include <QImage>

namespace tallyvane {

// Draws the tray icon: a ring of the used share in the provider's level colour around a disc
// with the percentage, the provider marks, or the application glyph. Tray hosts never say what
// colour their panel is, so every glyph sits on a ground of its own and the icon is the same on
// black, dark grey and white panels. Every size a host may ask for is drawn on its own, so the
// ring stays crisp instead of being scaled.
namespace StatusIconPainter {

// The icon at `size` logical pixels.
QImage paint(const StatusIconContent& content, int size, qreal devicePixelRatio);
// Every common tray size, 16 to 128 device pixels, each drawn for its own size.
QIcon icon(const StatusIconContent& content);

} // namespace StatusIconPainter
} // namespace tallyvane
