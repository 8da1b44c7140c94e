#include "WidgetTexts.h"

#include <TallyvaneWidgetSupport/RelativeTimeFormatter.h>
#include <UsageDomain/UsagePercent.h>

#include <QCoreApplication>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace tallyvane::WidgetTexts {

namespace {

QString updatedWhen(const WidgetUsageSnapshot& snapshot, WidgetDate now)
{
    return RelativeTimeFormatter::relative(snapshot.updatedAt.secondsSince(now));
}

} // namespace

QString stateMessage(WidgetProviderState state)
{
    switch (state) {
    case WidgetProviderState::available:
        return QCoreApplication::translate("TallyvaneWidget", "No usage data",
                                           "Widget provider without windows");
    case WidgetProviderState::signInRequired:
        return QCoreApplication::translate("TallyvaneWidget", "Sign in required",
                                           "Widget provider auth state");
    case WidgetProviderState::unavailable:
        return QCoreApplication::translate("TallyvaneWidget", "Not available", "Widget provider error state");
    }
    return {};
}

QString windowDisplayName(const QString& name)
{
    if (name == QLatin1StringView("Five-hour"))
        return QCoreApplication::translate("TallyvaneWidget", "Five-hour", "Five-hour usage window");
    if (name == QLatin1StringView("Weekly"))
        return QCoreApplication::translate("TallyvaneWidget", "Weekly", "Weekly usage window");
    if (name == QLatin1StringView("Model"))
        return QCoreApplication::translate("TallyvaneWidget", "Model", "Per-model usage window");
    return name;
}

QString percent(double usedFraction)
{
    const QLocale locale;
    return locale.toString(UsagePercent::used(usedFraction).value_or(0)) + locale.percent();
}

QString providerAccessibleName(const WidgetProviderUsage& provider)
{
    const QString name = displayName(provider.service);
    if (provider.windows.isEmpty())
        return name + QLatin1StringView(", ") + stateMessage(provider.state);
    return QCoreApplication::translate("TallyvaneWidget", "%1, %2 used", "VoiceOver provider percentage")
        .arg(name, percent(provider.windows.first().usedFraction));
}

bool anyAvailable(const WidgetUsageSnapshot& snapshot)
{
    return std::ranges::any_of(snapshot.providers, [](const WidgetProviderUsage& provider) {
        return provider.state == WidgetProviderState::available;
    });
}

QString footer(const WidgetUsageSnapshot& snapshot, WidgetDate now)
{
    const QString when = updatedWhen(snapshot, now);
    if (anyAvailable(snapshot))
        return QCoreApplication::translate("TallyvaneWidget", "Updated %1", "Relative widget refresh time")
            .arg(when);
    return QCoreApplication::translate("TallyvaneWidget", "Could not update %1",
                                       "Relative failed widget refresh time")
        .arg(when);
}

QString footerAccessibleName(const WidgetUsageSnapshot& snapshot, WidgetDate now)
{
    const QString when = updatedWhen(snapshot, now);
    if (anyAvailable(snapshot))
        return QCoreApplication::translate("TallyvaneWidget", "Usage updated %1",
                                           "VoiceOver relative widget refresh time")
            .arg(when);
    return QCoreApplication::translate("TallyvaneWidget", "Usage could not be updated %1",
                                       "VoiceOver failed widget refresh time")
        .arg(when);
}

} // namespace tallyvane::WidgetTexts
