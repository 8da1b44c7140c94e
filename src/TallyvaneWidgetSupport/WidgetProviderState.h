#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace tallyvane {

// How the widget presents one service; the raw value is the JSON form.
enum class WidgetProviderState { available, signInRequired, unavailable };

inline QString rawValue(WidgetProviderState state)
{
    switch (state) {
    case WidgetProviderState::available:
        return QStringLiteral("available");
    case WidgetProviderState::signInRequired:
        return QStringLiteral("signInRequired");
    case WidgetProviderState::unavailable:
        return QStringLiteral("unavailable");
    }
    return {};
}

// Exact, case-sensitive match of a raw value.
inline std::optional<WidgetProviderState> widgetProviderStateNamed(QStringView name)
{
    for (const WidgetProviderState state :
         {WidgetProviderState::available, WidgetProviderState::signInRequired,
          WidgetProviderState::unavailable}) {
        if (name == rawValue(state))
            return state;
    }
    return std::nullopt;
}

} // namespace tallyvane
