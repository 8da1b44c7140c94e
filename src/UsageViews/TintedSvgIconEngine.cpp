#include "TintedSvgIconEngine.h"

#include "PaintScale.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QSvgRenderer>

namespace tallyvane {

TintedSvgIconEngine::TintedSvgIconEngine(QString path, QColor tint)
    : TintedSvgIconEngine(std::move(path), [tint](const QPalette&) { return tint; })
{
}

TintedSvgIconEngine::TintedSvgIconEngine(QString path, Ink ink)
    : m_path(std::move(path))
    , m_ink(std::move(ink))
{
}

QImage TintedSvgIconEngine::render(const QString& path, const QSize& size, const QColor& tint)
{
    QSvgRenderer renderer(path);
    return render(renderer, size, tint);
}

QImage TintedSvgIconEngine::render(QSvgRenderer& renderer, const QSize& size, const QColor& tint)
{
    if (!renderer.isValid() || size.isEmpty())
        return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // Keep the artwork's aspect ratio, centred.
    const QSizeF art = QSizeF(renderer.defaultSize()).scaled(QSizeF(size), Qt::KeepAspectRatio);
    const QRectF target((size.width() - art.width()) / 2, (size.height() - art.height()) / 2, art.width(),
                        art.height());
    renderer.render(&painter, target);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), tint);
    return image;
}

void TintedSvgIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state)
{
    const qreal scale = paintScale(*painter);
    painter->drawPixmap(rect, scaledPixmap(rect.size() * scale, mode, state, scale));
}

QPixmap TintedSvgIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    return scaledPixmap(size, mode, state, 1.0);
}

// `size` is in device pixels already; `scale` only labels the result.
QPixmap TintedSvgIconEngine::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale)
{
    QColor tint = m_ink(QGuiApplication::palette());
    if (mode == QIcon::Disabled)
        tint.setAlphaF(tint.alphaF() * 0.4f);
    QPixmap pixmap = QPixmap::fromImage(render(m_path, size, tint));
    pixmap.setDevicePixelRatio(scale);
    return pixmap;
}

QIconEngine* TintedSvgIconEngine::clone() const
{
    return new TintedSvgIconEngine(m_path, m_ink);
}

QString TintedSvgIconEngine::key() const
{
    return QStringLiteral("tallyvane-tinted-svg");
}

bool TintedSvgIconEngine::isNull()
{
    return !QFile::exists(m_path);
}

} // namespace tallyvane
