#include "IconContrast.h"

#include <QList>

#include <algorithm>
#include <cmath>

namespace tallyvane::testing {

namespace {

double channel(int value)
{
    const double c = value / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(QRgb colour)
{
    return 0.2126 * channel(qRed(colour)) + 0.7152 * channel(qGreen(colour)) +
           0.0722 * channel(qBlue(colour));
}

// Below this distance two composited colours are the same to the eye (and to the renderer's
// rounding), not a glyph edge.
constexpr int sameColourDistance = 24;

QList<double> changedRatios(const QImage& before, const QImage& after, QRgb background)
{
    QList<double> ratios;
    if (before.size() != after.size())
        return ratios;
    const QImage a = before.convertToFormat(QImage::Format_ARGB32);
    const QImage b = after.convertToFormat(QImage::Format_ARGB32);
    // The ring runs along the edge; the number sits inside it.
    const double centre = (a.width() - 1) / 2.0;
    const double reach = a.width() * IconContrast::numberReach / 2;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            if (std::hypot(x - centre, y - centre) > reach)
                continue;
            const QRgb first = IconContrast::composite(a.pixel(x, y), background);
            const QRgb second = IconContrast::composite(b.pixel(x, y), background);
            const int distance = std::abs(qRed(first) - qRed(second)) +
                                 std::abs(qGreen(first) - qGreen(second)) +
                                 std::abs(qBlue(first) - qBlue(second));
            if (distance > sameColourDistance)
                ratios.append(IconContrast::ratio(first, second));
        }
    return ratios;
}

} // namespace

double IconContrast::ratio(QRgb a, QRgb b)
{
    const auto [darker, lighter] = std::minmax({luminance(a), luminance(b)});
    return (lighter + 0.05) / (darker + 0.05);
}

QRgb IconContrast::composite(QRgb pixel, QRgb background)
{
    const int alpha = qAlpha(pixel);
    const auto mix = [alpha](int over, int under) {
        return (over * alpha + under * (255 - alpha) + 127) / 255;
    };
    return qRgb(mix(qRed(pixel), qRed(background)), mix(qGreen(pixel), qGreen(background)),
                mix(qBlue(pixel), qBlue(background)));
}

double IconContrast::glyphContrast(const QImage& before, const QImage& after, QRgb background)
{
    QList<double> ratios = changedRatios(before, after, background);
    if (ratios.isEmpty())
        return 0;
    std::sort(ratios.begin(), ratios.end());
    return ratios.at(std::min(ratios.size() - 1, ratios.size() * 9 / 10));
}

int IconContrast::changedPixels(const QImage& before, const QImage& after, QRgb background)
{
    return int(changedRatios(before, after, background).size());
}

} // namespace tallyvane::testing
