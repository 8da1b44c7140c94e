#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace tallyvane {

// A child's complete environment, name to value.
using EnvironmentMap = QMap<QString, QString>;

// Builds the reduced environment every child receives: only a few harmless variables of ours
// are passed on, so tokens and other secrets in the application's environment stay here.
class ProcessEnvironment {
public:
    ProcessEnvironment() = delete;

    // Inherited variable names, in order: HOME, PATH, TMPDIR, LANG, LC_ALL, LC_CTYPE, CODEX_HOME.
    static const QStringList& allowList();
    static QString defaultSearchPath();
    static QString pathSeparator();

    // The allow-listed part of `parent`, with only the absolute entries of its PATH; PATH is
    // defaultSearchPath() when none is left.
    static EnvironmentMap sanitized(const EnvironmentMap& parent);

    // sanitized(current()), with the executable's own directory put first on PATH unless PATH
    // already lists it, so a program installed next to its interpreter finds it, and the
    // existing UserToolDirectories of `homeDirectory` appended.
    static EnvironmentMap forExecutable(const QString& executablePath);
    static EnvironmentMap forExecutable(const QString& executablePath,
                                        const EnvironmentMap& applicationEnvironment,
                                        const QString& homeDirectory);

    // The application's own, unfiltered environment.
    static EnvironmentMap current();
};

} // namespace tallyvane
