#include "UsageWindowText.h"

#include <TallyvaneUI/MenuBarSettings.h>
#include <TallyvaneUI/WindowKindName.h>

#include <TallyvaneWidgetSupport/RelativeTimeFormatter.h>
#include <UsageDomain/Localizable.h>
#include <UsageDomain/UsagePercent.h>
#include <UsageDomain/UsageWindowSpan.h>

#include <QLocale>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::UsageWindowText {

QString displayName(UsageWindowKind kind)
{
    return windowKindName(kind);
}

QString resetText(const UsageWindowSample& window, Instant now)
{
    if (window.resetAt)
        return RelativeTimeFormatter::relative(window.resetAt->secondsSince(now));
    if (window.usedFraction && window.usedFraction->toDouble() == 0.0)
        return localized("Not started");
    return localized("Unknown");
}

std::optional<std::pair<Instant, Instant>> span(const UsageWindowSample& window)
{
    return UsageWindowSpan::of(window);
}

QString spanTime(Instant time, Instant now)
{
    const QDateTime local = time.toDateTime().toLocalTime();
    const QLocale locale;
    const QString clock = locale.toString(local.time(), MenuBarSettings::hourMinuteFormat(locale));
    if (local.date() == now.toDateTime().toLocalTime().date())
        return clock;
    return locale.dayName(local.date().dayOfWeek(), QLocale::ShortFormat) + u' ' + clock;
}

QString spanHelp(const UsageWindowSample& window, Instant now)
{
    if (!window.resetAt)
        return localized("No reset time reported");
    const auto range = span(window);
    if (!range)
        return localized("Resets %1").arg(spanTime(*window.resetAt, now));
    return localized("This window runs %1")
        .arg(spanTime(range->first, now) + u" – "_s + spanTime(range->second, now));
}

namespace {

QString wholePercentText(std::optional<qint64> percent)
{
    if (!percent)
        return u"—"_s;
    const QLocale locale;
    return locale.toString(*percent) + locale.percent();
}

} // namespace

QString percentText(std::optional<double> fraction)
{
    return wholePercentText(fraction.and_then([](double value) { return UsagePercent::used(value); }));
}

QString remainingPercentText(const UsageWindowSample& window)
{
    return wholePercentText(UsagePercent::usedFraction(window).transform(
        [](const Decimal& used) { return UsagePercent::remaining(used); }));
}

std::optional<double> usedFraction(const UsageWindowSample& window)
{
    const std::optional<double> used = UsagePercent::usedFraction(window).transform(&Decimal::toDouble);
    if (!used || !std::isfinite(*used))
        return std::nullopt;
    return used;
}

} // namespace tallyvane::UsageWindowText
