#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace tallyvane {

// The two services the widget shows; the raw value is the JSON form and the identifier.
enum class WidgetProviderService { codex, claude };

inline constexpr std::array<WidgetProviderService, 2> allWidgetProviderServices{
    WidgetProviderService::codex, WidgetProviderService::claude};

QString rawValue(WidgetProviderService service);
// The raw value with its first letter capitalised.
QString displayName(WidgetProviderService service);
// Exact, case-sensitive match of a raw value.
std::optional<WidgetProviderService> widgetProviderServiceNamed(QStringView rawValue);

} // namespace tallyvane
