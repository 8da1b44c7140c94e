#pragma once

#include <UsageDomain/EnumCases.h>

namespace tallyvane {

// Whether a service is connected. checking, connecting and disconnecting are set by the
// application model while a call runs; the authentication manager answers with the others.
enum class ProviderConnectionStatus {
    checking,
    notInstalled,
    unsupportedVersion,
    disconnected,
    signedOut,
    signedIn,
    connecting,
    disconnecting,
    failed
};

template <> struct EnumCases<ProviderConnectionStatus> {
    static constexpr std::array<std::string_view, 9> names{
        "checking", "notInstalled", "unsupportedVersion", "disconnected", "signedOut",
        "signedIn", "connecting",   "disconnecting",      "failed"};
};

constexpr bool isBusy(ProviderConnectionStatus status)
{
    return status == ProviderConnectionStatus::checking || status == ProviderConnectionStatus::connecting ||
           status == ProviderConnectionStatus::disconnecting;
}

constexpr bool isAuthenticated(ProviderConnectionStatus status)
{
    return status == ProviderConnectionStatus::signedIn;
}

} // namespace tallyvane
