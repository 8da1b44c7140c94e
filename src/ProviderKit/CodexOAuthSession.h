#pragma once

#include "CodexAccountAuthenticating.h"

#include <QUrl>

#include <functional>

namespace tallyvane {

// Signs the ChatGPT account in to or out of `codex` through a short-lived
// `codex app-server --stdio` child per call: the app-server hands out the authorisation page,
// the browser opener shows it, and the app-server reports when the user is done. Holds
// nothing between calls. Lives on the main thread; each conversation runs on the blocking
// pool, so awaiting callers never block the event loop (the opener may need it).
class CodexOAuthSession final : public CodexAccountAuthenticating {
public:
    // Called from a pool thread; true when the URL was opened.
    using BrowserOpener = std::function<bool(const QUrl&)>;

    static constexpr double defaultLoginTimeout = 300;
    static constexpr double defaultLogoutTimeout = 15;
    static constexpr qint64 defaultOutputLimit = 524288;

    // The opener has no default here: opening a URL needs the GUI module, which this library
    // does not link. The application passes onMainThread(its desktop opener).
    explicit CodexOAuthSession(BrowserOpener browserOpener, double loginTimeoutSeconds = defaultLoginTimeout,
                               double logoutTimeoutSeconds = defaultLogoutTimeout,
                               qint64 outputLimit = defaultOutputLimit);

    QCoro::Task<std::expected<void, CodexOAuthError>> login(QString executablePath,
                                                            EnvironmentMap environment) override;
    QCoro::Task<std::expected<void, CodexOAuthError>> logout(QString executablePath,
                                                             EnvironmentMap environment) override;

    // Wraps `opener` so that, called from any thread, it runs synchronously on the
    // application's main thread (desktop services are main-thread only). False without an
    // application object. The main thread must not be blocked waiting for the caller.
    static BrowserOpener onMainThread(BrowserOpener opener);

    double loginTimeout() const { return m_loginTimeout; }
    double logoutTimeout() const { return m_logoutTimeout; }
    qint64 outputLimit() const { return m_outputLimit; }

private:
    const BrowserOpener m_browserOpener;
    const double m_loginTimeout;
    const double m_logoutTimeout;
    const qint64 m_outputLimit;
};

} // namespace tallyvane
