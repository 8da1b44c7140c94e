#pragma once

#include <QColor>
#include <QRect>

class QLabel;
class QPainter;
class QPalette;
class QWidget;

namespace tallyvane {

// The dashboard's type scale and the quiet inset fill behind tiles and badges, so every
// section reads alike in light and dark palettes.
namespace DashboardStyle {

void makeTitle(QLabel* label, double scale);
// Figures: heavier weight, larger size.
void makeFigure(QLabel* label, double scale);
// Small captions above figures.
void makeCaption(QLabel* label);
// Secondary lines: the palette's toned-down text colour.
void makeSecondary(QLabel* label);
QColor secondaryText(const QPalette& palette);
void paintInset(QPainter& painter, const QRect& rect, const QPalette& palette);
// A label showing a named symbol at the given size, tinted like the text beside it.
QLabel* symbolLabel(const QString& symbol, int size, const QColor& tint = {}, QWidget* parent = nullptr);

} // namespace DashboardStyle
} // namespace tallyvane
