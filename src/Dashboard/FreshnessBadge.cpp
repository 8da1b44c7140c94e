#include "FreshnessBadge.h"

#include "DashboardStyle.h"

#include <UsageDomain/Localizable.h>
#include <UsageViews/Appearance.h>
#include <UsageViews/UsageColors.h>

#include <QPainter>
#include <QPainterPath>

namespace tallyvane {

FreshnessBadge::FreshnessBadge(QWidget* parent)
    : QLabel(parent)
{
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.72);
    small.setWeight(QFont::Bold);
    small.setLetterSpacing(QFont::PercentageSpacing, 106);
    setFont(small);
    setContentsMargins(6, 1, 6, 1);
    setAlignment(Qt::AlignCenter);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QString FreshnessBadge::text(const UsageWindowSample& window)
{
    if (window.authority == MeasurementAuthority::vendorCached)
        return localized("CACHED");
    if (window.freshness == MeasurementFreshness::live)
        return localized("LIVE");
    return caseName(window.freshness).toUpper();
}

void FreshnessBadge::setSample(const UsageWindowSample& window)
{
    const bool live = window.freshness == MeasurementFreshness::live &&
                      window.authority != MeasurementAuthority::vendorCached;
    setProperty("live", live);
    setText(text(window));
    update();
}

void FreshnessBadge::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = Appearance::isDark(palette());
    // Live figures wear the accent; anything older stays neutral so it does not look current.
    QColor tint =
        property("live").toBool() ? UsageColors::accent(dark) : DashboardStyle::secondaryText(palette());
    QColor fill = tint;
    fill.setAlphaF(dark ? 0.22f : 0.12f);
    QPainterPath path;
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    path.addRoundedRect(box, box.height() / 2, box.height() / 2);
    painter.fillPath(path, fill);
    painter.setPen(tint);
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter, QLabel::text());
}

} // namespace tallyvane
