#include "ProviderMark.h"

#include "PaintScale.h"
#include "ProviderMarkImage.h"

#include <QPainter>

namespace tallyvane {

ProviderMark::ProviderMark(ProviderService service, int size, QWidget* parent)
    : QWidget(parent)
    , m_service(service)
    , m_size(size)
{
    setFixedSize(size, size);
    setAccessibleName(displayName(service));
}

void ProviderMark::setTint(const QColor& tint)
{
    m_tint = tint;
    update();
}

void ProviderMark::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor ink = m_tint.isValid() ? m_tint : palette().color(foregroundRole());
    // The painter's device may be a scaled image rather than the screen.
    painter.drawPixmap(0, 0, ProviderMarkImage::pixmap(m_service, m_size, ink, paintScale(painter)));
}

} // namespace tallyvane
