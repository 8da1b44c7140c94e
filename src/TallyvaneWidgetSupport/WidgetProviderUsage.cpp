#include "WidgetProviderUsage.h"

#include "WidgetJsonWriter.h"

#include <QHashFunctions>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

void WidgetProviderUsage::writeJson(WidgetJsonWriter& writer) const
{
    writer.beginObject();
    writer.key(u"service");
    writer.value(rawValue(service));
    writer.key(u"state");
    writer.value(rawValue(state));
    writer.key(u"windows");
    writer.beginArray();
    for (const WidgetWindow& window : windows)
        window.writeJson(writer);
    writer.endArray();
    writer.endObject();
}

std::optional<WidgetProviderUsage> WidgetProviderUsage::fromJson(const QJsonValue& json)
{
    const QJsonObject object = json.toObject();
    const std::optional<WidgetProviderService> service =
        widgetProviderServiceNamed(object.value("service"_L1).toString());
    const std::optional<WidgetProviderState> state =
        widgetProviderStateNamed(object.value("state"_L1).toString());
    const QJsonValue windows = object.value("windows"_L1);
    if (!service || !state || !windows.isArray())
        return std::nullopt;

    WidgetProviderUsage usage{.service = *service, .state = *state, .windows = {}};
    for (const QJsonValue& element : windows.toArray()) {
        std::optional<WidgetWindow> window = WidgetWindow::fromJson(element);
        if (!window)
            return std::nullopt;
        usage.windows.append(std::move(*window));
    }
    return usage;
}

size_t qHash(const WidgetProviderUsage& usage, size_t seed) noexcept
{
    return qHashMulti(seed, std::to_underlying(usage.service), std::to_underlying(usage.state),
                      qHashRange(usage.windows.begin(), usage.windows.end()));
}

} // namespace tallyvane
