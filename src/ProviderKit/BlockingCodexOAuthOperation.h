#pragma once

#include "CodexOAuthError.h"
#include "ProcessEnvironment.h"

#include <QString>
#include <QUrl>

#include <expected>
#include <functional>

namespace tallyvane {

class ChildProcess;
class LineDelimitedJSONReader;

// One sign-in or sign-out conversation with `codex app-server --stdio`, start to finish, on
// the calling thread: launch, handshake, request, answer, and for sign-in the browser and the
// completion notice. One deadline bounds all of it, the user's time in the browser included.
// Blocks; run it on the blocking pool, never on the main thread.
class BlockingCodexOAuthOperation {
public:
    // Called on the operation's thread; true when the URL was opened.
    using BrowserOpener = std::function<bool(const QUrl&)>;

    BlockingCodexOAuthOperation(QString executablePath, EnvironmentMap environment, double timeoutSeconds,
                                qint64 outputLimit, BrowserOpener browserOpener);

    std::expected<void, CodexOAuthError> login() const;
    std::expected<void, CodexOAuthError> logout() const;

    const QString& executablePath() const { return m_executablePath; }
    const EnvironmentMap& environment() const { return m_environment; }
    double timeoutSeconds() const { return m_timeoutSeconds; }
    qint64 outputLimit() const { return m_outputLimit; }

private:
    using Body = std::function<std::expected<void, CodexOAuthError>(ChildProcess&, LineDelimitedJSONReader&)>;
    // Launches the child, runs `body`, and whatever the outcome terminates the child and
    // closes our pipe ends.
    std::expected<void, CodexOAuthError> converse(const Body& body) const;
    std::expected<void, CodexOAuthError> loginBody(ChildProcess& child,
                                                   LineDelimitedJSONReader& reader) const;

    const QString m_executablePath;
    const EnvironmentMap m_environment;
    const double m_timeoutSeconds;
    const qint64 m_outputLimit;
    const BrowserOpener m_browserOpener;
};

} // namespace tallyvane
