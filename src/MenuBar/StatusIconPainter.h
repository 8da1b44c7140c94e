#pragma once

#include "StatusIconContent.h"

#include <QIcon>
#include <QImage>

namespace tallyvane {

// Draws the tray icon: a ring of the used share in the provider's level colour with the
// percentage inside, the provider marks, or the application glyph. Every size a tray host may
// ask for is drawn on its own, so the ring stays crisp instead of being scaled.
namespace StatusIconPainter {

// The icon at `size` logical pixels for a panel of the given darkness.
QImage paint(const StatusIconContent& content, int size, qreal devicePixelRatio, bool dark);
// Every common tray size, 16 to 128 device pixels, each drawn for its own size.
QIcon icon(const StatusIconContent& content, bool dark);

} // namespace StatusIconPainter
} // namespace tallyvane
