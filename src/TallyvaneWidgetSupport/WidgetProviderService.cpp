#include "WidgetProviderService.h"

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

QString rawValue(WidgetProviderService service)
{
    switch (service) {
    case WidgetProviderService::codex:
        return u"codex"_s;
    case WidgetProviderService::claude:
        return u"claude"_s;
    }
    return {};
}

QString displayName(WidgetProviderService service)
{
    const QString raw = rawValue(service);
    return raw.left(1).toUpper() + raw.mid(1);
}

std::optional<WidgetProviderService> widgetProviderServiceNamed(QStringView name)
{
    for (const WidgetProviderService service : allWidgetProviderServices) {
        if (name == rawValue(service))
            return service;
    }
    return std::nullopt;
}

} // namespace tallyvane
