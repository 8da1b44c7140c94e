#pragma once

#include "CodexLookup.h"

#include <ProviderKit/CommandRunning.h>
#include <UsageDomain/TallyvaneProvider.h>

#include <memory>

namespace tallyvane {

// Codex usage through the user's own `codex`: a capability probe with two short queries, and
// per collection one app-server exchange, normalised. Never fails: every problem is one
// fixed diagnostic. Holds no mutable state, so calls may overlap freely, and the executable
// is looked up afresh each time so an installed or updated `codex` is found at the next call.
class CodexUsageProvider final : public TallyvaneProvider {
public:
    static constexpr double probeTimeoutSeconds = 3;
    static constexpr qint64 versionOutputLimit = 16384;
    static constexpr qint64 capabilityOutputLimit = 65536;
    static constexpr double exchangeTimeoutSeconds = 10;
    static constexpr qint64 exchangeOutputLimit = 1048576;
    static constexpr double collectionVersionTimeoutSeconds = 5;

    // A null runner means the default FoundationCommandRunner.
    explicit CodexUsageProvider(CodexLookup lookup = {},
                                std::shared_ptr<CommandRunning> commandRunner = nullptr);

    ProviderDescriptor descriptor() const override;
    QCoro::Task<ProviderProbeResult> probe() override;
    QCoro::Task<ProviderCollectionResult> collect(UsageCollectionRequest request) override;

private:
    const CodexLookup m_lookup;
    const std::shared_ptr<CommandRunning> m_commandRunner;
};

} // namespace tallyvane
