#pragma once

#include <UsageDomain/EnumCases.h>

#include <QString>

namespace tallyvane {

// The pages of the settings window, in sidebar order.
enum class SettingsDestination { accounts, menuBar, general };

template <> struct EnumCases<SettingsDestination> {
    static constexpr std::array<std::string_view, 3> names{"accounts", "menuBar", "general"};
};

// The sidebar entry of a page: its title and its symbol name.
QString settingsDestinationTitle(SettingsDestination destination);
QString settingsDestinationSymbol(SettingsDestination destination);

} // namespace tallyvane
