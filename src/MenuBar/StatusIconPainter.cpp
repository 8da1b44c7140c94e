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

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::StatusIconPainter {
namespace {

// In device pixels: tray hosts pick the nearest one, at 100 % and at 200 % scale.
constexpr std::array traySizes{16, 22, 24, 32, 44, 48, 64, 128};

QColor textColor(bool dark)
{
    return dark ? QColor(0xf2, 0xf2, 0xf7) : QColor(0x1c, 0x1c, 0x1e);
}

void drawMark(QPainter& painter, ProviderService service, const QRectF& area, qreal devicePixelRatio,
              bool dark)
{
    const int logical = std::max(1, static_cast<int>(area.width()));
    const QPixmap mark = ProviderMarkImage::pixmap(
        service, logical, ProviderPalette::forService(service, dark).base, devicePixelRatio);
    painter.drawPixmap(area, mark, QRectF(QPointF(0, 0), QSizeF(mark.size())));
}

// The largest bold font whose text fits the given width and height.
QFont fittedFont(const QString& text, qreal width, qreal height)
{
    QFont font;
    font.setBold(true);
    font.setStyleHint(QFont::SansSerif);
    qreal pixels = height;
    for (; pixels > 4; pixels -= 0.5) {
        font.setPixelSize(static_cast<int>(pixels));
        const QFontMetricsF metrics(font);
        if (metrics.horizontalAdvance(text) <= width && metrics.capHeight() <= height * 0.62)
            break;
    }
    font.setPixelSize(std::max(4, static_cast<int>(pixels)));
    return font;
}

void drawRing(QPainter& painter, const StatusIconContent& content, int size, qreal devicePixelRatio,
              bool dark)
{
    const ProviderService service = content.services.constFirst();
    const ProviderPalette palette = ProviderPalette::forService(service, dark);
    const qreal thickness = std::max(2.0, size * 0.13);
    const QRectF ring =
        QRectF(0, 0, size, size)
            .adjusted(thickness / 2 + 0.5, thickness / 2 + 0.5, -thickness / 2 - 0.5, -thickness / 2 - 0.5);

    QColor track = palette.base;
    track.setAlphaF(0.28f);
    painter.setPen(QPen(track, thickness, Qt::SolidLine, Qt::FlatCap));
    painter.drawEllipse(ring);

    if (content.usedFraction) {
        const double fraction = std::clamp(*content.usedFraction, 0.0, 1.0);
        painter.setPen(QPen(palette.levelColor(fraction, dark), thickness, Qt::SolidLine, Qt::RoundCap));
        // Clockwise from twelve o'clock; Qt counts sixteenths of a degree, counter-clockwise.
        painter.drawArc(ring, 90 * 16, -static_cast<int>(std::lround(fraction * 360 * 16)));
    }

    const QRectF inner = ring.adjusted(thickness / 2, thickness / 2, -thickness / 2, -thickness / 2);
    if (!content.percent) {
        const qreal side = inner.width() * 0.78;
        drawMark(painter, service, QRectF(inner.center() - QPointF(side / 2, side / 2), QSizeF(side, side)),
                 devicePixelRatio, dark);
        return;
    }
    // The percent sign only where it stays legible, and never after the dash of a missing value.
    const bool number = !content.percent->isEmpty() && content.percent->front().isDigit();
    const QString text = size >= 32 && number ? *content.percent + u'%' : *content.percent;
    painter.setFont(fittedFont(text, inner.width() * 0.96, inner.height()));
    painter.setPen(textColor(dark));
    painter.drawText(inner, Qt::AlignCenter, text);
}

void drawMarks(QPainter& painter, const StatusIconContent& content, int size, qreal devicePixelRatio,
               bool dark)
{
    if (content.services.size() == 1) {
        const qreal side = size * 0.86;
        const qreal offset = (size - side) / 2;
        drawMark(painter, content.services.constFirst(), QRectF(offset, offset, side, side), devicePixelRatio,
                 dark);
        return;
    }
    // Two marks on the diagonal, the first one top left, as the menu bar would read them.
    const qreal side = size * 0.56;
    drawMark(painter, content.services[0], QRectF(0, 0, side, side), devicePixelRatio, dark);
    drawMark(painter, content.services[1], QRectF(size - side, size - side, side, side), devicePixelRatio,
             dark);
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

QImage paint(const StatusIconContent& content, int size, qreal devicePixelRatio, bool dark)
{
    QImage image(QSize(size, size) * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                           QPainter::SmoothPixmapTransform);
    switch (content.kind) {
    case StatusIconContent::Kind::ring:
        drawRing(painter, content, size, devicePixelRatio, dark);
        break;
    case StatusIconContent::Kind::marks:
        drawMarks(painter, content, size, devicePixelRatio, dark);
        break;
    case StatusIconContent::Kind::glyph:
        drawGlyph(painter, size);
        break;
    }
    return image;
}

QIcon icon(const StatusIconContent& content, bool dark)
{
    QIcon icon;
    for (const int size : traySizes)
        icon.addPixmap(QPixmap::fromImage(paint(content, size, 1.0, dark)));
    return icon;
}

} // namespace tallyvane::StatusIconPainter
