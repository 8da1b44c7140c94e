#include "UsageColors.h"

#include "Appearance.h"

namespace tallyvane::UsageColors {

QColor accent(bool dark)
{
    return dark ? QColor::fromRgbF(0.42f, 0.52f, 1.0f) : QColor::fromRgbF(0.16f, 0.28f, 1.0f);
}

QColor accentOn(const QPalette& palette)
{
    return accent(Appearance::isDark(palette));
}

QColor secondaryAccent(bool dark)
{
    return dark ? QColor::fromRgbF(0.62f, 0.68f, 1.0f) : QColor::fromRgbF(0.36f, 0.46f, 1.0f);
}

QColor warning(bool dark)
{
    return dark ? QColor::fromRgbF(1.0f, 0.75f, 0.28f) : QColor::fromRgbF(0.83f, 0.55f, 0.08f);
}

QColor critical(bool dark)
{
    return dark ? QColor::fromRgbF(1.0f, 0.45f, 0.42f) : QColor::fromRgbF(0.79f, 0.24f, 0.22f);
}

} // namespace tallyvane::UsageColors
