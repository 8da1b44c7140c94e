#pragma once

#include <QImage>
#include <QRgb>

namespace tallyvane::testing {

// How legible the number in a tray icon is on a panel of a given colour. The number's pixels
// are the ones that change between two icons showing different numbers: in one icon such a
// pixel is the glyph, in the other whatever the icon draws behind it (or the panel itself).
// Both are composited over the panel colour and their WCAG contrast ratio taken. Only the
// middle of the icon counts (the ring's arc moves too), and anti-aliased edges are left aside
// by reading the ratio that nine in ten of those pixels stay below.
class IconContrast {
public:
    // The share of the icon's width, around its centre, where the number is looked for.
    static constexpr double numberReach = 0.65;

    static double ratio(QRgb a, QRgb b);
    static QRgb composite(QRgb pixel, QRgb background);
    // 0 when the icons differ in size or in no pixel.
    static double glyphContrast(const QImage& before, const QImage& after, QRgb background);
    static int changedPixels(const QImage& before, const QImage& after, QRgb background);
};

} // namespace tallyvane::testing
