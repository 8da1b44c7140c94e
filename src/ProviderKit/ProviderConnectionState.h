#pragma once

#include "ProviderConnectionStatus.h"
#include "ProviderService.h"

#include <UsageDomain/FieldHasher.h>

#include <optional>

namespace tallyvane {

// One service's connection as shown to the user; the detail is a fixed, sanitised sentence.
struct ProviderConnectionState {
    ProviderService service = ProviderService::codex;
    ProviderConnectionStatus status = ProviderConnectionStatus::checking;
    std::optional<QString> detail;

    friend bool operator==(const ProviderConnectionState&, const ProviderConnectionState&) = default;
};

inline size_t qHash(const ProviderConnectionState& value, size_t seed = 0) noexcept
{
    return FieldHasher(seed).add(value.service).add(value.status).add(value.detail).result();
}

} // namespace tallyvane
