#include "UsageForecastText.h"

#include "UsageWindowText.h"

#include <TallyvaneWidgetSupport/RelativeTimeFormatter.h>
#include <UsageDomain/Localizable.h>

namespace tallyvane::UsageForecastText {

QString line(const UsageForecast& forecast, Instant now)
{
    switch (forecast.pace) {
    case UsagePace::runsOut:
        return localized("At this pace: runs out in %1")
            .arg(RelativeTimeFormatter::countdown(forecast.runsOutAt ? forecast.runsOutAt->secondsSince(now)
                                                                     : 0));
    case UsagePace::onPace:
        return localized("On pace for %1 at reset")
            .arg(UsageWindowText::percentText(forecast.projectedFraction));
    case UsagePace::tooEarly:
        break;
    }
    return localized("At this pace: too early to tell");
}

bool isWarning(const UsageForecast& forecast)
{
    return forecast.pace == UsagePace::runsOut;
}

} // namespace tallyvane::UsageForecastText
