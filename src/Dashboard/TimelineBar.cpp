#include "TimelineBar.h"

#include <UsageViews/Appearance.h>
#include <UsageViews/ProviderPalette.h>
#include <UsageViews/UsageColors.h>

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace tallyvane {

TimelineBar::TimelineBar(ProviderService service, QWidget* parent)
    : QWidget(parent)
    , m_service(service)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TimelineBar::setElapsedFraction(double fraction)
{
    m_elapsed = std::clamp(fraction, 0.0, 1.0);
    update();
}

void TimelineBar::setProjection(const std::optional<Projection>& projection)
{
    m_projection = projection;
    update();
}

QSize TimelineBar::sizeHint() const
{
    return {240, 14};
}

void TimelineBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = Appearance::isDark(palette());
    const ProviderPalette colors = ProviderPalette::forService(m_service, dark);

    const qreal trackHeight = 6;
    const QRectF track(6, (height() - trackHeight) / 2, width() - 12, trackHeight);
    QColor trackColor = palette().color(QPalette::WindowText);
    trackColor.setAlphaF(dark ? 0.14f : 0.09f);
    QPainterPath trackPath;
    trackPath.addRoundedRect(track, trackHeight / 2, trackHeight / 2);
    painter.fillPath(trackPath, trackColor);

    const QRectF elapsed(track.left(), track.top(), track.width() * m_elapsed, track.height());
    if (elapsed.width() > 0) {
        QLinearGradient gradient(track.topLeft(), track.topRight());
        gradient.setColorAt(0, colors.highlight);
        gradient.setColorAt(1, colors.base);
        QPainterPath fill;
        fill.addRoundedRect(elapsed, trackHeight / 2, trackHeight / 2);
        painter.fillPath(fill, gradient);
    }

    if (m_projection) {
        // The pace ahead: dots in the provider's colour, in the warning colour once it runs out.
        const qreal runsOut =
            track.left() +
            track.width() * std::clamp(m_projection->runsOutFraction.value_or(1.0), m_elapsed, 1.0);
        const qreal y = track.center().y();
        QPen dots(colors.base, 2, Qt::DotLine, Qt::RoundCap);
        painter.setPen(dots);
        painter.drawLine(QPointF(elapsed.right(), y), QPointF(runsOut, y));
        if (m_projection->runsOutFraction) {
            dots.setColor(UsageColors::warning(dark));
            painter.setPen(dots);
            painter.drawLine(QPointF(runsOut, y), QPointF(track.right(), y));
            painter.setPen(QPen(UsageColors::warning(dark), 2, Qt::SolidLine, Qt::RoundCap));
            painter.drawLine(QPointF(runsOut, track.top() - 3), QPointF(runsOut, track.bottom() + 3));
        }
    }

    // The marker sits on the track so now is visible even at the very start of a window.
    const QPointF marker(elapsed.right(), track.center().y());
    painter.setPen(QPen(palette().color(QPalette::Window), 2));
    painter.setBrush(colors.base);
    painter.drawEllipse(marker, 5, 5);
}

} // namespace tallyvane
