#include "MenuBarLabelView.h"

#include "Appearance.h"
#include "PaintScale.h"
#include "ProviderMarkImage.h"
#include "UsageColors.h"

#include <QPainter>

namespace tallyvane {

MenuBarLabelView::MenuBarLabelView(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    QFont figures = font();
    figures.setWeight(QFont::DemiBold);
    setFont(figures);
}

void MenuBarLabelView::setProjection(const MenuBarProjection& projection)
{
    if (projection == m_projection)
        return;
    m_projection = projection;
    setAccessibleName(projection.accessibilityLabel);
    updateGeometry();
    update();
}

QSize MenuBarLabelView::sizeHint() const
{
    const QFontMetrics metrics(font());
    int width = 0;
    for (const MenuBarProjection::Entry& entry : m_projection.entries) {
        if (width > 0)
            width += entryGap;
        width += markSize;
        if (!entry.text.isEmpty())
            width += markGap + metrics.horizontalAdvance(entry.text);
    }
    return {std::max(width, markSize) + 8, std::max(markSize, metrics.height()) + 6};
}

void MenuBarLabelView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink = UsageColors::accent(Appearance::isDark(palette()));
    const QFontMetrics metrics(font());
    painter.setPen(ink);
    int x = 4;
    for (const MenuBarProjection::Entry& entry : m_projection.entries) {
        if (const auto service = serviceForProviderID(entry.providerID)) {
            painter.drawPixmap(x, (height() - markSize) / 2,
                               ProviderMarkImage::pixmap(*service, markSize, ink, paintScale(painter)));
        }
        x += markSize;
        if (!entry.text.isEmpty()) {
            x += markGap;
            const int advance = metrics.horizontalAdvance(entry.text);
            painter.drawText(QRect(x, 0, advance, height()), Qt::AlignVCenter | Qt::AlignLeft, entry.text);
            x += advance;
        }
        x += entryGap;
    }
}

} // namespace tallyvane
