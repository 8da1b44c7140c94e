#pragma once

#include <ProviderKit/ProcessEnvironment.h>

#include <QString>

#include <optional>

namespace tallyvane {

// Where the provider looks for `codex`. The environment (for PATH) and the home directory
// (for node version directories) default to the application's own, read afresh at every
// call; tests replace them to make the search independent of the machine.
struct CodexLookup {
    std::optional<QString> configuredExecutable;
    std::optional<EnvironmentMap> environment;
    std::optional<QString> homeDirectory;
};

} // namespace tallyvane
