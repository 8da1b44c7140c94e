#pragma once

#include "FakeCodexScript.h"

#include <QByteArrayList>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <expected>

namespace tallyvane::testing {

// The command lines the fake `codex` knows; each has its own script.
enum class FakeCodexCommand {
    version,       // --version
    appServerHelp, // app-server --help
    loginStatus,   // login status
    appServer,     // app-server, with or without --stdio
};

// A fake `codex` installed in a test's scratch directory. The application's child
// environment is filtered, so the fake finds its script beside itself: install() copies the
// binary to <directory>/codex (a copy, because the fake resolves its own path through
// /proc/self/exe, which would follow a symlink back to the build tree) and the script goes to
// codex.scenario.json; the fake appends what it saw to codex.log.
//
// Commands without a script answer like the real CLI with no account signed in:
// "codex-cli 0.171.0", a help text naming app-server, "Not logged in" with status 1, and an
// app-server that answers the handshake and every later request with error -32600.
class FakeCodexScenario {
public:
    static std::expected<FakeCodexScenario, QString> install(const QString& directory,
                                                             const QString& name = QStringLiteral("codex"));

    QString executablePath() const { return m_executable; }
    QString scenarioPath() const { return m_executable + QStringLiteral(".scenario.json"); }
    QString logPath() const { return m_executable + QStringLiteral(".log"); }

    // Scripts one command and rewrites the scenario file at once (atomically, so a child that
    // starts meanwhile reads the old or the new one, never half of it).
    bool set(FakeCodexCommand command, const FakeCodexScript& script);
    bool clear(FakeCodexCommand command);

    // Every event the fake logged, in order, across all runs. Each has "event" and "pid";
    // "start" also has "argv"; "stdin" has "line"; "exit" has "status".
    QList<QJsonObject> events() const;
    QList<QStringList> invocations() const;
    QByteArrayList receivedLines() const;
    bool clearLog() const;

private:
    explicit FakeCodexScenario(QString executable)
        : m_executable(std::move(executable))
    {
    }
    bool save() const;

    QString m_executable;
    QJsonObject m_scenario;
};

} // namespace tallyvane::testing
