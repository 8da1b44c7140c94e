#include "StatusToolTip.h"

#include <TallyvaneUI/MenuBarSettings.h>
#include <TallyvaneUI/ProviderStateAssembler.h>
#include <UsageDomain/Localizable.h>
#include <UsageDomain/UsagePercent.h>
#include <UsageDomain/UsageWindowSelection.h>
#include <UsagePresentation/MenuBarProjection.h>
#include <UsageViews/UsageForecastText.h>

#include <QLocale>
#include <QStringList>

#include <algorithm>

namespace tallyvane::StatusToolTip {
namespace {

constexpr qint64 daysNamedByWeekday = 6;

QString withoutUsage(ProviderAvailability availability)
{
    switch (availability) {
    case ProviderAvailability::authenticationRequired:
    case ProviderAvailability::permissionRequired:
        return localized("Sign-in required");
    case ProviderAvailability::notInstalled:
        return localized("Not installed");
    case ProviderAvailability::unsupportedVersion:
        return localized("Update required");
    case ProviderAvailability::available:
    case ProviderAvailability::availableWithLimitations:
    case ProviderAvailability::temporarilyUnavailable:
        break;
    }
    return localized("Usage unavailable");
}

} // namespace

QString resetTime(Instant reset, Instant now)
{
    const QLocale locale;
    const QDateTime at = reset.toDateTime().toLocalTime();
    const QString time = locale.toString(at.time(), MenuBarSettings::hourMinuteFormat(locale));
    const qint64 days = now.toDateTime().toLocalTime().date().daysTo(at.date());
    if (days == 0)
        return time;
    if (days > 0 && days <= daysNamedByWeekday)
        return locale.dayName(at.date().dayOfWeek(), QLocale::ShortFormat) + u' ' + time;
    return locale.toString(at.date(), QLocale::ShortFormat) + u' ' + time;
}

QString text(const QList<ProviderViewState>& providers, const MenuBarConfiguration& configuration,
             Instant now)
{
    MenuBarConfiguration shown = configuration;
    shown.iconsOnly = false;
    const MenuBarProjection projection =
        MenuBarProjection::project(ProviderStateAssembler::menuSnapshots(providers), shown,
                                   [now](Instant reset) { return resetTime(reset, now); });
    if (projection.entries.isEmpty())
        return projection.accessibilityLabel;

    QStringList lines;
    bool forecastShown = false;
    for (const MenuBarProjection::Entry& entry : projection.entries) {
        const auto state = std::ranges::find(providers, entry.providerID, &ProviderViewState::id);
        const std::optional<UsageWindowSample> window =
            UsageWindowSelection::chosen(state->windows, configuration.selectedWindowKind);
        if (!window || !UsagePercent::usedFraction(*window))
            lines.append(localized("%1: %2").arg(entry.displayName, withoutUsage(state->availability)));
        else if (entry.text.startsWith(entry.displayName))
            lines.append(entry.text);
        else
            lines.append(QString(entry.displayName + u' ' + entry.text).trimmed());
        if (!window || forecastShown)
            continue;
        forecastShown = true;
        if (const std::optional<UsageForecast> forecast = state->forecast(*window))
            lines.append(UsageForecastText::line(*forecast, now));
    }
    return lines.join(u'\n');
}

} // namespace tallyvane::StatusToolTip
