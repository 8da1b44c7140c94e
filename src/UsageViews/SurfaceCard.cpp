#include "SurfaceCard.h"

#include "Appearance.h"

#include <QPainter>
#include <QPainterPath>

namespace tallyvane {

SurfaceCard::SurfaceCard(QWidget* parent)
    : QFrame(parent)
{
    setFrameShape(QFrame::NoFrame);
    setContentsMargins(16, 14, 16, 16);
}

void SurfaceCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = Appearance::isDark(palette());
    const QColor window = palette().color(QPalette::Window);
    // Raised: lighter than the window in both appearances, with a faint shadow below.
    QColor fill = dark ? window.lighter(135) : palette().color(QPalette::Base);
    if (!Appearance::prefersOpaqueSurfaces())
        fill.setAlphaF(dark ? 0.85f : 0.92f);
    const QRectF card = QRectF(rect()).adjusted(1, 0.5, -1, -2);

    QColor shadow = Qt::black;
    for (int step = 2; step >= 1; --step) {
        shadow.setAlphaF(dark ? 0.18f / step : 0.06f / step);
        painter.setPen(Qt::NoPen);
        painter.setBrush(shadow);
        painter.drawRoundedRect(card.translated(0, step * 0.75), cornerRadius, cornerRadius);
    }
    QColor edge = palette().color(QPalette::WindowText);
    edge.setAlphaF(dark ? 0.12f : 0.08f);
    painter.setPen(QPen(edge, 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(card, cornerRadius, cornerRadius);
}

} // namespace tallyvane
