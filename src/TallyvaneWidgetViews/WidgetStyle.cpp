#include "WidgetStyle.h"

#include <QPalette>

namespace tallyvane::WidgetStyle {

QColor accent()
{
    return QColor::fromRgbF(0.16f, 0.28f, 1.0f);
}

QColor secondaryAccent()
{
    return QColor::fromRgbF(0.38f, 0.47f, 1.0f);
}

bool isDark(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightnessF() < 0.5f;
}

QColor serviceColor(WidgetProviderService service, const QPalette& palette)
{
    const bool dark = isDark(palette);
    switch (service) {
    case WidgetProviderService::codex:
        return dark ? QColor(0x63, 0xe6, 0xe2) : QColor(0x00, 0xc7, 0xbe);
    case WidgetProviderService::claude:
        return dark ? QColor(0xff, 0x9f, 0x0a) : QColor(0xff, 0x95, 0x00);
    }
    return {};
}

QColor secondaryText(const QPalette& palette)
{
    QColor color = palette.color(QPalette::WindowText);
    color.setAlphaF(0.6f);
    return color;
}

QFont font(TextStyle style, QFont::Weight weight)
{
    QFont result;
    int size = 12;
    switch (style) {
    case TextStyle::headline:
        size = 17;
        weight = std::max(weight, QFont::DemiBold);
        break;
    case TextStyle::title2:
        size = 22;
        break;
    case TextStyle::callout:
        size = 16;
        break;
    case TextStyle::caption:
        size = 12;
        break;
    case TextStyle::caption2:
        size = 11;
        break;
    }
    result.setPixelSize(size);
    result.setWeight(weight);
    return result;
}

} // namespace tallyvane::WidgetStyle
