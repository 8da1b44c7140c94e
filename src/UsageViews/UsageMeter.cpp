#include "UsageMeter.h"

#include "Appearance.h"
#include "ProviderPalette.h"

#include <UsageDomain/Localizable.h>
#include <UsageDomain/UsagePercent.h>

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>

namespace tallyvane {

UsageMeter::UsageMeter(ProviderService service, QWidget* parent)
    : QWidget(parent)
    , m_service(service)
    , m_fraction([this] { update(); }, this)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(localized("no data"));
}

void UsageMeter::setUsedFraction(std::optional<double> fraction)
{
    m_fraction.setTarget(fraction);
    const std::optional<qint64> percent =
        fraction.and_then([](double value) { return UsagePercent::used(value); });
    setAccessibleName(percent ? localized("%1 percent").arg(*percent) : localized("no data"));
}

void UsageMeter::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = Appearance::isDark(palette());
    const ProviderPalette colours = ProviderPalette::forService(m_service, dark);
    const qreal height = std::min<qreal>(this->height(), 8);
    const QRectF track(0, (this->height() - height) / 2, width(), height);
    const qreal radius = height / 2;

    QColor trackColour = palette().color(QPalette::WindowText);
    trackColour.setAlphaF(dark ? 0.14f : 0.09f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(trackColour);
    painter.drawRoundedRect(track, radius, radius);

    QLinearGradient gradient(track.topLeft(), track.topRight());
    const std::optional<double> shown = m_fraction.shown();
    QRectF fill = track;
    if (shown) {
        const double used = std::clamp(*shown, 0.0, 1.0);
        if (used <= 0)
            return;
        // Never thinner than a dot, so a tiny share stays visible.
        fill.setWidth(std::max(track.width() * used, height));
        gradient.setFinalStop(fill.topRight());
        gradient.setColorAt(0, colours.highlight);
        gradient.setColorAt(1, colours.levelColor(*m_fraction.target(), dark));
    } else {
        QColor strong = colours.base;
        strong.setAlphaF(0.35f);
        QColor faint = colours.base;
        faint.setAlphaF(0.20f);
        gradient.setColorAt(0, strong);
        gradient.setColorAt(1, faint);
    }
    painter.setBrush(gradient);
    painter.drawRoundedRect(fill, radius, radius);
}

} // namespace tallyvane
