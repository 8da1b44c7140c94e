#include "MenuBarSettings.h"

#include <QLocale>
#include <QRegularExpression>

namespace tallyvane::MenuBarSettings {

MenuBarConfiguration read(const Preferences& preferences)
{
    MenuBarConfiguration configuration;
    configuration.iconsOnly = preferences.iconsOnly();
    configuration.showPercentage = preferences.showPercentage();
    configuration.percentageMode = caseNamed<PercentageDisplayMode>(preferences.percentageMode())
                                       .value_or(PercentageDisplayMode::consumed);
    configuration.showResetTime = preferences.showReset();
    const std::optional<UsageWindowKind> kind = caseNamed<UsageWindowKind>(preferences.windowKind());
    if (kind == UsageWindowKind::unknown)
        configuration.selectedWindowKind = std::nullopt;
    else if (kind == UsageWindowKind::fiveHour || kind == UsageWindowKind::sevenDay)
        configuration.selectedWindowKind = kind;
    else
        configuration.selectedWindowKind = UsageWindowKind::fiveHour;
    configuration.density =
        caseNamed<MenuBarDensity>(preferences.density()).value_or(MenuBarDensity::compact);

    constexpr auto services = allCases<ProviderService>();
    const auto place = [&](ProviderService service) {
        if (!configuration.providerOrder.contains(providerID(service)))
            configuration.providerOrder.append(providerID(service));
    };
    for (const ProviderService service : preferences.providerOrder())
        place(service);
    for (const ProviderService service : services)
        place(service);
    for (const ProviderService service : services) {
        if (preferences.showService(service))
            configuration.enabledProviderIDs.insert(providerID(service));
    }
    return configuration;
}

QString hourMinuteFormat(const QLocale& locale)
{
    // Some locales' short time carries seconds (the C locale does); the item shows none.
    QString format = locale.timeFormat(QLocale::ShortFormat);
    format.remove(QRegularExpression(QStringLiteral("[:.]?s+")));
    return format.trimmed();
}

MenuBarProjection::TimeFormat resetTimeFormat()
{
    return [](Instant instant) {
        const QLocale locale;
        return locale.toString(instant.toDateTime().toLocalTime().time(), hourMinuteFormat(locale));
    };
}

} // namespace tallyvane::MenuBarSettings
