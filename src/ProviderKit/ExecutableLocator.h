#pragma once

#include "ProcessEnvironment.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace tallyvane {

// Finds an executable by name: a configured location, then well-known candidates, then the
// search path. Reads the file system afresh on every call and never starts a process.
class ExecutableLocator {
public:
    ExecutableLocator() = delete;

    // The first of `configuredPath`, `candidatePaths` (in order) and `<dir>/<name>` for each
    // absolute directory of the environment's PATH that is executable, in cleaned form.
    static std::optional<QString> locate(const QString& name, const std::optional<QString>& configuredPath,
                                         const QStringList& candidatePaths,
                                         const EnvironmentMap& environment);

    // `<home>/.nvm/versions/node/<version>/bin/<name>` for every version directory holding that
    // executable, newest version first. Empty when there is nothing to list.
    static QStringList nodeVersionCandidates(const QString& homeDirectory, const QString& name);

    // codex: configured, then UserToolDirectories::searchOrder(home), then PATH.
    static std::optional<QString> locateCodex(const std::optional<QString>& configuredPath,
                                              const EnvironmentMap& environment,
                                              const QString& homeDirectory);
    // The same with the application's own environment and the user's home directory.
    static std::optional<QString> locateCodex(const std::optional<QString>& configuredPath);

    // A regular file (after following links) that the current user may execute.
    static bool isExecutableFile(const QString& path);
};

} // namespace tallyvane
