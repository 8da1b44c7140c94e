#include "ProviderPalette.h"

#include "UsageColors.h"

namespace tallyvane {

ProviderPalette ProviderPalette::forService(ProviderService service, bool dark)
{
    if (service == ProviderService::codex) {
        return dark ? ProviderPalette{QColor::fromRgbF(0.26f, 0.83f, 0.65f),
                                      QColor::fromRgbF(0.52f, 0.94f, 0.79f)}
                    : ProviderPalette{QColor::fromRgbF(0.04f, 0.51f, 0.39f),
                                      QColor::fromRgbF(0.2f, 0.72f, 0.55f)};
    }
    return dark ? ProviderPalette{QColor::fromRgbF(0.94f, 0.56f, 0.4f), QColor::fromRgbF(1.0f, 0.72f, 0.56f)}
                : ProviderPalette{QColor::fromRgbF(0.78f, 0.36f, 0.23f),
                                  QColor::fromRgbF(0.91f, 0.53f, 0.36f)};
}

QColor ProviderPalette::levelColor(double usedFraction, bool dark) const
{
    if (usedFraction >= criticalLevel)
        return UsageColors::critical(dark);
    if (usedFraction >= warningLevel)
        return UsageColors::warning(dark);
    return base;
}

} // namespace tallyvane
