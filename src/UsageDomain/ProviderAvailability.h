#pragma once

#include "EnumCases.h"

namespace tallyvane {

// Whether a provider can deliver now.
enum class ProviderAvailability {
    available,
    availableWithLimitations,
    notInstalled,
    authenticationRequired,
    unsupportedVersion,
    permissionRequired,
    temporarilyUnavailable
};

template <> struct EnumCases<ProviderAvailability> {
    static constexpr std::array<std::string_view, 7> names{
        "available",          "availableWithLimitations", "notInstalled",          "authenticationRequired",
        "unsupportedVersion", "permissionRequired",       "temporarilyUnavailable"};
};

} // namespace tallyvane
