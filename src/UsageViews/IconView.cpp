#include "IconView.h"

#include "PaintScale.h"

#include <QPainter>

namespace tallyvane {

IconView::IconView(const QIcon& icon, int size, QWidget* parent)
    : QWidget(parent)
    , m_icon(icon)
    , m_size(size)
{
    setFixedSize(size, size);
}

void IconView::setIcon(const QIcon& icon)
{
    m_icon = icon;
    update();
}

void IconView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPixmap pixmap = m_icon.pixmap(QSize(m_size, m_size), paintScale(painter),
                                         isEnabled() ? QIcon::Normal : QIcon::Disabled);
    const QSizeF drawn = pixmap.deviceIndependentSize();
    painter.drawPixmap(QPointF((width() - drawn.width()) / 2, (height() - drawn.height()) / 2), pixmap);
}

} // namespace tallyvane
