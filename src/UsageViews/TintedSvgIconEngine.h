#pragma once

#include <QColor>
#include <QIconEngine>
#include <QPalette>

#include <functional>

class QSvgRenderer;

namespace tallyvane {

// Draws one-colour SVG artwork in a chosen colour at whatever size and pixel ratio is asked,
// so icons stay crisp at every scale. The colour may be read from the application palette at
// each drawing, so the icon follows a switch between light and dark.
class TintedSvgIconEngine : public QIconEngine {
public:
    using Ink = std::function<QColor(const QPalette&)>;

    TintedSvgIconEngine(QString path, QColor tint);
    TintedSvgIconEngine(QString path, Ink ink);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override;
    QIconEngine* clone() const override;
    QString key() const override;
    bool isNull() override;

    // The artwork at `size` device pixels filled with `tint`; null when the file is unusable.
    static QImage render(const QString& path, const QSize& size, const QColor& tint);
    static QImage render(QSvgRenderer& renderer, const QSize& size, const QColor& tint);

private:
    const QString m_path;
    const Ink m_ink;
};

} // namespace tallyvane
