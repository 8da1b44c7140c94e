#pragma once

#include <UsageDomain/ProviderDescriptor.h>
#include <UsageDomain/SourceDescriptor.h>

namespace tallyvane {

// Who the Codex provider is and where its numbers come from; shared by the normaliser and the
// provider so every record and result carries the same identity.
struct CodexProviderIdentity {
    static ProviderDescriptor provider();
    static SourceDescriptor source();
};

} // namespace tallyvane
