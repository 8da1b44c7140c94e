#pragma once

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>

class QPainter;

namespace tallyvane::WidgetPainting {

// Draws one line of text left-aligned and vertically centred in `box`, elided to its width;
// redacted, the text's place is a rounded blank of the text's size instead. Returns the width used.
qreal drawLine(QPainter& painter, const QRectF& box, const QString& text, const QFont& font,
               const QColor& color, bool redacted, qreal letterSpacing = 0);

// The shape a redacted figure takes.
QColor redactionColor(const QColor& textColor);

} // namespace tallyvane::WidgetPainting
