#include "StatusIconPainter.h"

#include <UsageViews/ProviderMarkImage.h>
#include <UsageViews/ProviderPalette.h>
#include <UsageViews/UsageColors.h>

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QSvgRenderer>

#include <algorithm>
#include <array>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::StatusIconPainter {
namespace {

// In device pixels: tray hosts pick the nearest one, at 100 % and at 200 % scale.
constexpr std::array traySizes{16, 22, 24, 32, 44, 48, 64, 128};

// The ground of a value that is not known (yet): white on it reads at more than 4.5:1.
const QColor neutralGround(0x63, 0x63, 0x6b);

// The grounds take the light-appearance variants of the colours: they are the darker ones, so
// white reads on them, and the panel's own colour is unknown anyway.
constexpr bool darkVariant = false;

const QString ellipsis = u"\u2026"_s;

double luminance(const QColor& color)
{
    const auto channel = [](float value) {
        return value <= 0.03928f ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF()) +
           0.0722 * channel(color.blueF());
}

// White or black, whichever stands out more from the ground (the warning amber needs black).
QColor inkOn(const QColor& ground)
{
    const double light = luminance(ground);
    const double onWhite = 1.05 / (light + 0.05);
    const double onBlack = (light + 0.05) / 0.05;
    return onWhite >= onBlack ? QColor(Qt::white) : QColor(0x10, 0x10, 0x12);
}

QColor groundFor(const StatusIconContent& content)
{
    if (content.kind != StatusIconContent::Kind::ring || content.services.isEmpty())
        return neutralGround;
    const ProviderPalette palette = ProviderPalette::forService(content.services.constFirst(), darkVariant);
    if (!content.usedFraction)
        return content.percent ? neutralGround : palette.base;
    return palette.levelColor(std::clamp(*content.usedFraction, 0.0, 1.0), darkVariant);
}

void drawMark(QPainter& painter, ProviderService service, const QRectF& area, const QColor& ink,
              qreal devicePixelRatio)
{
    const int logical = std::max(1, static_cast<int>(area.width()));
    const QPixmap mark = ProviderMarkImage::pixmap(service, logical, ink, devicePixelRatio);
    painter.drawPixmap(area, mark, QRectF(QPointF(0, 0), QSizeF(mark.size())));
}

// A filled disc with the service's mark in the contrasting ink.
void drawMarkOnDisc(QPainter& painter, ProviderService service, const QRectF& disc, const QColor& ground,
                    qreal devicePixelRatio)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(ground);
    painter.drawEllipse(disc);
    const qreal side = disc.width() * 0.62;
    drawMark(painter, service, QRectF(disc.center() - QPointF(side / 2, side / 2), QSizeF(side, side)),
             inkOn(ground), devicePixelRatio);
}

// The largest bold font whose text fits the given width and cap height.
QFont fittedFont(const QString& text, qreal width, qreal capHeight)
{
    QFont font;
    font.setBold(true);
    font.setStyleHint(QFont::SansSerif);
    // Whole-pixel stems: at tray sizes a digit is only a few pixels tall.
    font.setHintingPreference(QFont::PreferFullHinting);
    qreal pixels = capHeight * 2;
    for (; pixels > 4; pixels -= 0.5) {
        font.setPixelSize(static_cast<int>(pixels));
        const QFontMetricsF metrics(font);
        if (metrics.horizontalAdvance(text) <= width && metrics.capHeight() <= capHeight)
            break;
    }
    font.setPixelSize(std::max(4, static_cast<int>(pixels)));
    return font;
}

// A badge: a disc of the level colour filling the icon, the used share as a ring along its
// edge and the percentage in the middle, both in the ink that contrasts with the disc.
void drawRing(QPainter& painter, const StatusIconContent& content, int size, qreal devicePixelRatio)
{
    const QColor ground = groundFor(content);
    const QColor ink = inkOn(ground);
    const QRectF disc = QRectF(0, 0, size, size).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ground);
    painter.drawEllipse(disc);

    const qreal thickness = std::max(1.25, size * 0.08);
    const qreal inset = thickness / 2 + std::max(0.75, size * 0.04);
    const QRectF ring = disc.adjusted(inset, inset, -inset, -inset);
    QColor track = ink;
    track.setAlphaF(0.3f);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(track, thickness, Qt::SolidLine, Qt::FlatCap));
    painter.drawEllipse(ring);
    if (content.usedFraction) {
        const double fraction = std::clamp(*content.usedFraction, 0.0, 1.0);
        painter.setPen(QPen(ink, thickness, Qt::SolidLine, Qt::FlatCap));
        // Clockwise from twelve o'clock; Qt counts sixteenths of a degree, counter-clockwise.
        painter.drawArc(ring, 90 * 16, -static_cast<int>(std::lround(fraction * 360 * 16)));
    }

    const qreal innerInset = thickness / 2 + std::max(0.25, size * 0.02);
    const QRectF inner = ring.adjusted(innerInset, innerInset, -innerInset, -innerInset);
    if (!content.percent) {
        if (!content.services.isEmpty()) {
            const qreal side = inner.width() * 0.8;
            drawMark(painter, content.services.constFirst(),
                     QRectF(inner.center() - QPointF(side / 2, side / 2), QSizeF(side, side)), ink,
                     devicePixelRatio);
        }
        return;
    }
    if (*content.percent == ellipsis) {
        // Drawn as dots: the character sits on the baseline, well below the disc's centre.
        const qreal radius = std::max(0.9, inner.width() * 0.085);
        const qreal step = radius * 3.2;
        painter.setPen(Qt::NoPen);
        painter.setBrush(ink);
        for (const int dot : {-1, 0, 1})
            painter.drawEllipse(inner.center() + QPointF(dot * step, 0), radius, radius);
        return;
    }
    // The percent sign only where it stays legible (two digits, large sizes), and never after
    // the dash of a missing value.
    const bool number = !content.percent->isEmpty() && content.percent->front().isDigit();
    const bool roomForSign = size >= 44 && content.percent->size() <= 2;
    const QString text = roomForSign && number ? *content.percent + u'%' : *content.percent;
    painter.setFont(fittedFont(text, inner.width() * 1.06, inner.height() * 0.6));
    painter.setPen(ink);
    painter.drawText(inner.adjusted(-size, 0, size, 0), Qt::AlignCenter, text);
}

void drawMarks(QPainter& painter, const StatusIconContent& content, int size, qreal devicePixelRatio)
{
    const auto ground = [](ProviderService service) {
        return ProviderPalette::forService(service, darkVariant).base;
    };
    if (content.services.size() == 1) {
        const qreal side = size * 0.94;
        const qreal offset = (size - side) / 2;
        const ProviderService service = content.services.constFirst();
        drawMarkOnDisc(painter, service, QRectF(offset, offset, side, side), ground(service),
                       devicePixelRatio);
        return;
    }
    // Two marks on the diagonal, the first one top left, as the menu bar would read them.
    const qreal side = size * 0.6;
    drawMarkOnDisc(painter, content.services[0], QRectF(0, 0, side, side), ground(content.services[0]),
                   devicePixelRatio);
    drawMarkOnDisc(painter, content.services[1], QRectF(size - side, size - side, side, side),
                   ground(content.services[1]), devicePixelRatio);
}

void drawGlyph(QPainter& painter, int size)
{
    QSvgRenderer renderer(u":/tallyvane/app.tallyvane.Tallyvane.svg"_s);
    if (renderer.isValid()) {
        renderer.render(&painter, QRectF(0, 0, size, size));
        return;
    }
    // Without the artwork: an empty ring in the accent colour keeps the item findable.
    const qreal thickness = std::max(2.0, size * 0.13);
    painter.setPen(QPen(UsageColors::accent(false), thickness));
    painter.drawEllipse(QRectF(0, 0, size, size).adjusted(thickness, thickness, -thickness, -thickness));
}

} // namespace

QImage paint(const StatusIconContent& content, int size, qreal devicePixelRatio)
{
    QImage image(QSize(size, size) * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                           QPainter::SmoothPixmapTransform);
    switch (content.kind) {
    case StatusIconContent::Kind::ring:
    case StatusIconContent::Kind::pending:
        drawRing(painter, content, size, devicePixelRatio);
        break;
    case StatusIconContent::Kind::marks:
        drawMarks(painter, content, size, devicePixelRatio);
        break;
    case StatusIconContent::Kind::glyph:
        drawGlyph(painter, size);
        break;
    }
    return image;
}

QIcon icon(const StatusIconContent& content)
{
    QIcon icon;
    for (const int size : traySizes)
        icon.addPixmap(QPixmap::fromImage(paint(content, size, 1.0)));
    return icon;
}

} // namespace tallyvane::StatusIconPainter
