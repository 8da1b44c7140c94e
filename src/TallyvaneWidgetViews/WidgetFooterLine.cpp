#include "WidgetFooterLine.h"

#include "WidgetPainting.h"
#include "WidgetStyle.h"

#include <QFontMetricsF>
#include <QPainter>

namespace tallyvane {

WidgetFooterLine::WidgetFooterLine(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void WidgetFooterLine::setText(const QString& text, const QString& accessibleText)
{
    if (text == m_text && accessibleText == accessibleName())
        return;
    m_text = text;
    setAccessibleName(accessibleText);
    update();
}

void WidgetFooterLine::setRedacted(bool redacted)
{
    m_redacted = redacted;
    update();
}

QSize WidgetFooterLine::sizeHint() const
{
    const QFontMetricsF metrics(WidgetStyle::font(WidgetStyle::TextStyle::caption2));
    return {qCeil(metrics.horizontalAdvance(m_text)), qCeil(metrics.height())};
}

void WidgetFooterLine::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    WidgetPainting::drawLine(painter, rect(), m_text, WidgetStyle::font(WidgetStyle::TextStyle::caption2),
                             WidgetStyle::secondaryText(palette()), m_redacted);
}

} // namespace tallyvane
