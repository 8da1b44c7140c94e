#include "SettingsSwitch.h"

#include <UsageViews/Appearance.h>
#include <UsageViews/UsageColors.h>

#include <QPainter>
#include <QStyleOptionFocusRect>

namespace tallyvane {

namespace {
constexpr int trackWidth = 36;
constexpr int trackHeight = 20;
constexpr int knobInset = 2;
} // namespace

SettingsSwitch::SettingsSwitch(QWidget* parent)
    : QAbstractButton(parent)
{
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize SettingsSwitch::sizeHint() const
{
    return {trackWidth + 4, trackHeight + 4};
}

void SettingsSwitch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.45);

    const bool dark = Appearance::isDark(palette());
    const QRectF track(QPointF(0, 0), QSizeF(trackWidth, trackHeight));
    const QRectF placed = track.translated(QRectF(rect()).center() - track.center());
    QColor off = palette().color(QPalette::Mid);
    off.setAlphaF(dark ? 0.8f : 0.55f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(isChecked() ? UsageColors::accent(dark) : off);
    painter.drawRoundedRect(placed, trackHeight / 2.0, trackHeight / 2.0);

    const qreal knob = trackHeight - 2 * knobInset;
    const qreal x = isChecked() ? placed.right() - knobInset - knob : placed.left() + knobInset;
    painter.setBrush(QColor(Qt::white));
    painter.setPen(QPen(QColor(0, 0, 0, 40), 0.5));
    painter.drawEllipse(QRectF(x, placed.top() + knobInset, knob, knob));

    if (hasFocus()) {
        QPen focus(palette().color(QPalette::Highlight), 1.5);
        painter.setPen(focus);
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(placed.adjusted(-1.5, -1.5, 1.5, 1.5), trackHeight / 2.0 + 1.5,
                                trackHeight / 2.0 + 1.5);
    }
}

} // namespace tallyvane
