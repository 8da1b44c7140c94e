#include "DashboardStyle.h"

#include <UsageViews/Appearance.h>
#include <UsageViews/SymbolIcon.h>

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

namespace tallyvane::DashboardStyle {

namespace {

void scaleFont(QLabel* label, double scale, QFont::Weight weight)
{
    QFont font = label->font();
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * scale);
    else
        font.setPixelSize(qRound(font.pixelSize() * scale));
    font.setWeight(weight);
    label->setFont(font);
}

} // namespace

void makeTitle(QLabel* label, double scale)
{
    scaleFont(label, scale, QFont::Bold);
}

void makeFigure(QLabel* label, double scale)
{
    scaleFont(label, scale, QFont::DemiBold);
}

void makeCaption(QLabel* label)
{
    scaleFont(label, 0.85, QFont::Medium);
    makeSecondary(label);
}

QColor secondaryText(const QPalette& palette)
{
    return palette.color(QPalette::PlaceholderText);
}

void makeSecondary(QLabel* label)
{
    // A role rather than a fixed colour, so the label follows a later change of palette.
    label->setForegroundRole(QPalette::PlaceholderText);
}

void paintInset(QPainter& painter, const QRect& rect, const QPalette& palette)
{
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = palette.color(QPalette::WindowText);
    fill.setAlphaF(Appearance::isDark(palette) ? 0.07f : 0.045f);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    painter.fillPath(path, fill);
}

QLabel* symbolLabel(const QString& symbol, int size, const QColor& tint, QWidget* parent)
{
    auto* label = new QLabel(parent);
    SymbolIcon::showIn(label, symbol, size, [tint](const QPalette& palette) {
        return tint.isValid() ? tint : secondaryText(palette);
    });
    label->setFixedSize(size, size);
    return label;
}

} // namespace tallyvane::DashboardStyle
