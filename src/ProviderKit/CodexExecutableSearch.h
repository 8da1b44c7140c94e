#pragma once

#include "ProcessEnvironment.h"

#include <QString>

#include <optional>

namespace tallyvane {

// A located executable and the complete environment its children get.
struct LocatedExecutable {
    QString executablePath;
    EnvironmentMap environment; // the child's, already sanitised
};

// Where `codex` is looked for. The environment (PATH, and what children inherit) and the home
// directory default to the application's own, read afresh at every call; tests replace them
// to make the search independent of the machine.
struct CodexExecutableSearch {
    std::optional<QString> configuredExecutable;
    std::optional<EnvironmentMap> environment;
    std::optional<QString> homeDirectory;

    std::optional<LocatedExecutable> locate() const;
};

} // namespace tallyvane
