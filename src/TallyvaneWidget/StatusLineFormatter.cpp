#include "StatusLineFormatter.h"

#include "WidgetTexts.h"

#include <TallyvaneWidgetSupport/RelativeTimeFormatter.h>
#include <TallyvaneWidgetSupport/WidgetUsageLoader.h>
#include <UsageDomain/UsagePercent.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::StatusLineFormatter {

namespace {

constexpr double criticalFraction = 0.92;
constexpr double warningFraction = 0.75;
const auto separator = u" · "_s;

const WidgetWindow* shownWindow(const WidgetProviderUsage& provider)
{
    return provider.windows.isEmpty() ? nullptr : &provider.windows.first();
}

QString tooltipLine(const WidgetProviderUsage& provider, WidgetDate now)
{
    QStringList parts{displayName(provider.service)};
    if (const WidgetWindow* window = shownWindow(provider)) {
        parts << WidgetTexts::windowDisplayName(window->name) << WidgetTexts::percent(window->usedFraction);
        if (window->resetAt)
            parts << RelativeTimeFormatter::countdown(window->resetAt->secondsSince(now));
    } else {
        parts << WidgetTexts::stateMessage(provider.state);
    }
    return parts.join(separator);
}

} // namespace

QString text(const WidgetUsageSnapshot& snapshot)
{
    QStringList parts;
    for (const WidgetProviderUsage& provider : snapshot.providers) {
        const WidgetWindow* window = shownWindow(provider);
        parts << displayName(provider.service) + u' ' +
                     (window ? WidgetTexts::percent(window->usedFraction)
                             : WidgetTexts::stateMessage(provider.state));
    }
    return parts.join(separator);
}

QByteArray json(const WidgetUsageSnapshot& snapshot)
{
    // A decoded document always encodes (JSON has no non-finite numbers); the fallback is
    // there so that the output stays a valid document whatever happens.
    if (std::optional<QByteArray> bytes = snapshot.toJsonBytes())
        return *bytes;
    return *WidgetUsageLoader::fallback(snapshot.updatedAt).toJsonBytes();
}

QString severityClass(const WidgetUsageSnapshot& snapshot)
{
    double highest = -1;
    for (const WidgetProviderUsage& provider : snapshot.providers) {
        if (const WidgetWindow* window = shownWindow(provider))
            highest = std::max(highest, window->usedFraction);
    }
    if (highest >= criticalFraction)
        return u"critical"_s;
    if (highest >= warningFraction)
        return u"warning"_s;
    if (!WidgetTexts::anyAvailable(snapshot))
        return u"unavailable"_s;
    return u"normal"_s;
}

int highestPercentage(const WidgetUsageSnapshot& snapshot)
{
    int highest = 0;
    for (const WidgetProviderUsage& provider : snapshot.providers) {
        if (const WidgetWindow* window = shownWindow(provider)) {
            const qint64 whole = UsagePercent::used(std::clamp(window->usedFraction, 0.0, 1.0)).value_or(0);
            highest = std::max(highest, int(whole));
        }
    }
    return highest;
}

QByteArray waybar(const WidgetUsageSnapshot& snapshot, WidgetDate now)
{
    QStringList tooltip;
    for (const WidgetProviderUsage& provider : snapshot.providers)
        tooltip << tooltipLine(provider, now);
    tooltip << WidgetTexts::footer(snapshot, now);
    // Waybar reads both as Pango markup, and window names come from other programs' output.
    const QJsonObject object{{u"text"_s, text(snapshot).toHtmlEscaped()},
                             {u"tooltip"_s, tooltip.join(u'\n').toHtmlEscaped()},
                             {u"class"_s, severityClass(snapshot)},
                             {u"percentage"_s, highestPercentage(snapshot)}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray format(Format format, const WidgetUsageSnapshot& snapshot, WidgetDate now)
{
    switch (format) {
    case Format::text:
        return text(snapshot).toUtf8() + '\n';
    case Format::json:
        return json(snapshot) + '\n';
    case Format::waybar:
        return waybar(snapshot, now) + '\n';
    }
    return {};
}

} // namespace tallyvane::StatusLineFormatter
