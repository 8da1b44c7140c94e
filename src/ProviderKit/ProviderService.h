#pragma once

#include <UsageDomain/EnumCases.h>

#include <QString>

#include <optional>

namespace tallyvane {

// The two services the application knows; declaration order is allCases and the sort order.
enum class ProviderService { codex, claude };

template <> struct EnumCases<ProviderService> {
    static constexpr std::array<std::string_view, 2> names{"codex", "claude"};
};

// The provider identifier of the service's usage provider.
QString providerID(ProviderService service);
QString displayName(ProviderService service);
int sortOrder(ProviderService service);
// True when the application itself stores the service's credentials.
bool ownsCredentials(ProviderService service);
QString connectExplanation(ProviderService service);
QString disconnectExplanation(ProviderService service);

// Exact comparison; any other text, in any other letter case, is no service.
std::optional<ProviderService> serviceForProviderID(QStringView providerID);

} // namespace tallyvane
