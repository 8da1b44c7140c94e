#pragma once

#include <UsageDomain/ProviderDescriptor.h>
#include <UsageDomain/SourceDescriptor.h>

namespace tallyvane {

// Who the Claude provider is and where its numbers come from: shared by the normaliser, which
// stamps them into every result and sample, and the provider, which reports them.
struct ClaudeProviderIdentity {
    static ProviderDescriptor providerDescriptor();
    static SourceDescriptor sourceDescriptor();
};

} // namespace tallyvane
