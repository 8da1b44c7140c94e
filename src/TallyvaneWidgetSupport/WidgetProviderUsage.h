#pragma once

#include "WidgetProviderService.h"
#include "WidgetProviderState.h"
#include "WidgetWindow.h"

#include <QList>

namespace tallyvane {

// One service in the widget document; identified by its service.
struct WidgetProviderUsage {
    WidgetProviderService service = WidgetProviderService::codex;
    WidgetProviderState state = WidgetProviderState::unavailable;
    QList<WidgetWindow> windows;

    // The service's raw value, "codex" or "claude".
    QString id() const { return rawValue(service); }

    void writeJson(WidgetJsonWriter& writer) const;
    // An unknown "service" or "state" string fails.
    static std::optional<WidgetProviderUsage> fromJson(const QJsonValue& json);

    friend bool operator==(const WidgetProviderUsage&, const WidgetProviderUsage&) = default;
};

size_t qHash(const WidgetProviderUsage& usage, size_t seed = 0) noexcept;

} // namespace tallyvane
