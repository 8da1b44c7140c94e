#pragma once

#include <UsageDomain/EnumCases.h>

namespace tallyvane {

// How much the menu-bar text says: `detailed` puts the provider's name in front.
enum class MenuBarDensity { compact, detailed };

template <> struct EnumCases<MenuBarDensity> {
    static constexpr std::array<std::string_view, 2> names{"compact", "detailed"};
};

} // namespace tallyvane
