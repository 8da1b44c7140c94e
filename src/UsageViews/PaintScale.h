#pragma once

#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tallyvane {

// How many device pixels one logical pixel covers where `painter` draws. A widget rendered into
// a 2x image paints through a redirection whose device still reports the screen's ratio, so the
// painter's device transform is the reliable source.
inline qreal paintScale(const QPainter& painter)
{
    const QTransform transform = painter.deviceTransform();
    const qreal transformScale = std::hypot(transform.m11(), transform.m12());
    const qreal deviceScale = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    return std::max({transformScale, deviceScale, qreal(1)});
}

} // namespace tallyvane
