#include "WidgetPainting.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

namespace tallyvane::WidgetPainting {

QColor redactionColor(const QColor& textColor)
{
    QColor color = textColor;
    color.setAlphaF(0.18f);
    return color;
}

qreal drawLine(QPainter& painter, const QRectF& box, const QString& text, const QFont& font,
               const QColor& color, bool redacted, qreal letterSpacing)
{
    QFont spaced = font;
    if (letterSpacing != 0)
        spaced.setLetterSpacing(QFont::AbsoluteSpacing, letterSpacing);
    const QFontMetricsF metrics(spaced);
    const QString shown = metrics.elidedText(text, Qt::ElideRight, box.width());
    const qreal width = std::min(metrics.horizontalAdvance(shown), box.width());
    if (redacted) {
        const qreal blankHeight = metrics.capHeight() + 4;
        const QRectF blank(box.left(), box.center().y() - blankHeight / 2, width, blankHeight);
        QPainterPath path;
        path.addRoundedRect(blank, 3, 3);
        painter.fillPath(path, redactionColor(color));
        return width;
    }
    painter.save();
    painter.setFont(spaced);
    painter.setPen(color);
    painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    painter.restore();
    return width;
}

} // namespace tallyvane::WidgetPainting
