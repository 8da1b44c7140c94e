#pragma once

#include <ProviderKit/ProviderService.h>

#include <QColor>
#include <QPixmap>

namespace tallyvane::ProviderMarkImage {

// The resource names of the marks, "CodexMarkTemplate" and "ClaudeMarkTemplate".
QString resourceName(ProviderService service);
// The service's mark in `tint` (the palette's text colour when invalid) at `logicalSize` points
// and the given pixel ratio, for the main thread. The artwork is read once per service into a
// locked cache; when it is missing the gauge symbol stands in.
QPixmap pixmap(ProviderService service, int logicalSize, const QColor& tint, qreal devicePixelRatio);

} // namespace tallyvane::ProviderMarkImage
