#include "UsageAlertContent.h"

#include "WindowKindName.h"

#include <TallyvaneWidgetSupport/RelativeTimeFormatter.h>
#include <UsageDomain/Localizable.h>
#include <UsageDomain/UsagePercent.h>
#include <UsageDomain/UsageWindowSelection.h>

#include <QLocale>
#include <QUuid>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::UsageAlertContent {

namespace {

QString localizedText(const QString& english)
{
    return QCoreApplication::translate("Localizable", english.toUtf8().constData());
}

QString percentText(double fraction)
{
    return QLocale().toString(UsagePercent::used(fraction).value_or(0));
}

QString countdownFrom(Instant now, std::optional<Instant> time)
{
    return RelativeTimeFormatter::countdown(time ? time->secondsSince(now) : 0);
}

} // namespace

QString windowName(const UsageWindowSample& window)
{
    if (window.providerBucketName && !window.providerBucketName->isEmpty())
        return localizedText(*window.providerBucketName);
    if (window.windowKind == UsageWindowKind::modelSpecific && window.modelID && !window.modelID->isEmpty())
        return *window.modelID;
    return windowKindName(window.windowKind);
}

QList<UsageAlertSample> samples(const QList<ProviderViewState>& providers)
{
    QList<UsageAlertSample> result;
    for (const ProviderViewState& provider : providers) {
        for (const UsageWindowSample& window : UsageWindowSelection::latestPerBucket(provider.windows)) {
            // The share every other surface shows: used, or 1 - remaining.
            const std::optional<Decimal> used = UsagePercent::usedFraction(window);
            if (!used)
                continue;
            const std::optional<UsageForecast> forecast = provider.forecast(window);
            result.append(UsageAlertSample{provider.descriptor.id, provider.descriptor.displayName,
                                           window.providerBucketID, windowName(window), used->toDouble(),
                                           window.resetAt, forecast ? forecast->runsOutAt : std::nullopt});
        }
    }
    return result;
}

QString title(const UsageAlertEvent& event)
{
    switch (event.kind) {
    case UsageAlertEventKind::threshold:
        return localized("%1 reached %2%")
            .arg(event.sample.providerName, QLocale().toString(event.percentage));
    case UsageAlertEventKind::pace:
        return localized("%1 is on pace to run out").arg(event.sample.providerName);
    case UsageAlertEventKind::reset:
        break;
    }
    return localized("%1 limit reset").arg(event.sample.providerName);
}

QString body(const UsageAlertEvent& event)
{
    switch (event.kind) {
    case UsageAlertEventKind::threshold:
        return localized("%1 has %2% used.")
            .arg(event.sample.windowName, percentText(event.sample.usedFraction));
    case UsageAlertEventKind::pace:
        return localized("At this pace %1 runs out in %2. It resets in %3.")
            .arg(event.sample.windowName, countdownFrom(event.decidedAt, event.sample.runsOutAt),
                 countdownFrom(event.decidedAt, event.sample.resetAt));
    case UsageAlertEventKind::reset:
        break;
    }
    return localized("%1 is available again.").arg(event.sample.windowName);
}

UserNotification notification(const UsageAlertEvent& event)
{
    return UserNotification{u"usage."_s + QUuid::createUuid().toString(QUuid::WithoutBraces), title(event),
                            body(event), true};
}

} // namespace tallyvane::UsageAlertContent
