#include "UsageRing.h"

#include "Appearance.h"
#include "ProviderPalette.h"
#include "UsageWindowText.h"

#include <UsageDomain/Localizable.h>
#include <UsageDomain/UsagePercent.h>

#include <QConicalGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace tallyvane {

UsageRing::UsageRing(ProviderService service, QWidget* parent)
    : QWidget(parent)
    , m_service(service)
    , m_fraction([this] { update(); }, this)
{
    setMinimumSize(72, 72);
    describe();
}

void UsageRing::setUsedFraction(std::optional<double> fraction)
{
    m_fraction.setTarget(fraction);
    describe();
}

void UsageRing::setCaption(const QString& caption)
{
    m_caption = caption;
    describe();
    update();
}

QString UsageRing::accessibleText(std::optional<double> fraction, const QString& caption)
{
    const std::optional<qint64> percent =
        fraction.and_then([](double value) { return UsagePercent::used(value); });
    if (!percent)
        return localized("no data");
    return localized("%1 percent %2").arg(*percent).arg(caption);
}

void UsageRing::describe()
{
    setAccessibleName(accessibleText(m_fraction.target(), m_caption));
}

void UsageRing::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = Appearance::isDark(palette());
    const ProviderPalette colours = ProviderPalette::forService(m_service, dark);
    const qreal side = std::min(width(), height());
    const qreal thickness = std::max<qreal>(6, side * 0.085);
    const QRectF ring =
        QRectF((width() - side) / 2, (height() - side) / 2, side, side)
            .adjusted(thickness / 2 + 1, thickness / 2 + 1, -thickness / 2 - 1, -thickness / 2 - 1);

    QColor track = palette().color(QPalette::WindowText);
    track.setAlphaF(dark ? 0.14f : 0.08f);
    painter.setPen(QPen(track, thickness, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(ring);

    const std::optional<double> shown = m_fraction.shown();
    if (shown && *shown > 0) {
        const double used = std::clamp(*shown, 0.0, 1.0);
        // Clockwise from twelve o'clock, the colour deepening to the level colour at the tip. The
        // gradient (counter-clockwise) starts a little past twelve so the start cap is not cut.
        constexpr double lead = 6.0 / 360;
        // Past a threshold the whole arc takes the level colour: a green-to-red blend reads as mud.
        const QColor level = colours.levelColor(*m_fraction.target(), dark);
        const QColor start = level == colours.base ? colours.highlight : level.lighter(dark ? 115 : 125);
        QConicalGradient gradient(ring.center(), 90 + lead * 360);
        gradient.setColorAt(0, level);
        gradient.setColorAt(std::clamp(1.0 - used - lead, 0.0, 1.0 - lead), level);
        gradient.setColorAt(1.0 - lead, start);
        gradient.setColorAt(1, start);
        QPainterPath arc;
        arc.arcMoveTo(ring, 90);
        arc.arcTo(ring, 90, -360 * used);
        painter.setPen(QPen(QBrush(gradient), thickness, Qt::SolidLine, Qt::RoundCap));
        painter.drawPath(arc);
    }

    QFont figure = font();
    figure.setPixelSize(std::max(12, qRound(side * 0.22)));
    figure.setWeight(QFont::Bold);
    QFont caption = font();
    caption.setPixelSize(std::max(9, qRound(side * 0.095)));
    const QFontMetricsF figureMetrics(figure);
    const QFontMetricsF captionMetrics(caption);
    const qreal block = figureMetrics.height() + (m_caption.isEmpty() ? 0 : captionMetrics.height());
    QRectF line(ring.left(), ring.center().y() - block / 2, ring.width(), figureMetrics.height());

    painter.setPen(palette().color(QPalette::WindowText));
    painter.setFont(figure);
    painter.drawText(line, Qt::AlignCenter, UsageWindowText::percentText(m_fraction.target()));
    if (!m_caption.isEmpty()) {
        painter.setFont(caption);
        painter.setPen(palette().color(QPalette::PlaceholderText));
        const qreal inner = ring.width() - 2 * thickness;
        line = QRectF(ring.center().x() - inner / 2, line.bottom(), inner, captionMetrics.height());
        painter.drawText(line, Qt::AlignCenter, captionMetrics.elidedText(m_caption, Qt::ElideRight, inner));
    }
}

} // namespace tallyvane
