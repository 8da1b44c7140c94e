#pragma once

#include <TallyvaneWidgetSupport/WidgetProviderService.h>

#include <QColor>
#include <QFont>

class QPalette;

namespace tallyvane::WidgetStyle {

// Colours, fonts and metrics of the widget. Sizes are logical pixels, so the widget has the
// same proportions at every scale and with every desktop font size.

QColor accent();
QColor secondaryAccent();
// Mint for Codex, orange for Claude; the brighter variants on a dark palette.
QColor serviceColor(WidgetProviderService service, const QPalette& palette);
QColor secondaryText(const QPalette& palette);
bool isDark(const QPalette& palette);

enum class TextStyle { headline, title2, callout, caption, caption2 };
QFont font(TextStyle style, QFont::Weight weight = QFont::Normal);

inline constexpr int smallWidth = 170;
inline constexpr int mediumWidth = 364;
inline constexpr int height = 170;
inline constexpr int contentMargin = 16;
inline constexpr int cornerRadius = 22;

} // namespace tallyvane::WidgetStyle
