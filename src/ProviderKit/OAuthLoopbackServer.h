#pragma once

#include "ClaudeOAuthError.h"
#include "OAuthBrowserConnection.h"
#include "OAuthCallback.h"

#include <QByteArray>
#include <QCoroTask>
#include <QList>
#include <QString>
#include <QUrl>

#include <chrono>
#include <expected>
#include <memory>

namespace tallyvane {

// The listener behind the sign-in redirect address "http://localhost:<port>/callback". It
// listens on 127.0.0.1 and on ::1 at one port the system picks, because a browser may resolve
// localhost to either, and a port left free on one of them could be taken by another local
// user. Connections are taken one at a time until one brings the sign-in's state: every other
// request gets a plain 400 and the wait goes on, so a stray or hostile request cannot end the
// sign-in. Shared, because the blocking wait keeps it alive while it runs; the listening
// sockets stay open until the last reference goes.
class OAuthLoopbackServer : public std::enable_shared_from_this<OAuthLoopbackServer> {
    struct ConstructionKey {};

public:
    // The request that carried the expected state: its code (invalidCallback when it has none,
    // as when the user refused access) and the browser, still waiting for its answer.
    struct Arrival {
        std::expected<OAuthCallback, ClaudeOAuthError> callback;
        std::shared_ptr<OAuthBrowserConnection> browser;
    };
    // callbackFailed when no request with the state arrived in time.
    using Received = std::expected<Arrival, ClaudeOAuthError>;

    static constexpr qsizetype maximumRequestBytes = 16384;
    // How long one connection may take to send its request line.
    static constexpr std::chrono::milliseconds connectionTimeLimit{5000};

    // Binds and listens; `platformBase` is the host of the success page (an absolute URL such
    // as "https://platform.claude.com"). Any failure is callbackFailed.
    static std::expected<std::shared_ptr<OAuthLoopbackServer>, ClaudeOAuthError>
    create(const QUrl& platformBase);

    OAuthLoopbackServer(ConstructionKey, QList<int> listeners, quint16 port, QByteArray successPage);
    ~OAuthLoopbackServer();
    OAuthLoopbackServer(const OAuthLoopbackServer&) = delete;
    OAuthLoopbackServer& operator=(const OAuthLoopbackServer&) = delete;

    quint16 port() const { return m_port; }
    // IPv4 first; the IPv6 one only where the system has ::1.
    const QList<int>& listeningDescriptors() const { return m_listeners; }
    // The address the browser is sent back to: "http://localhost:<port>/callback".
    QString redirectURI() const;
    // The redirect reply that sends the browser on to the success page.
    QByteArray successReply() const;

    // Runs receiveCallback on the blocking pool; never blocks the caller. Awaiting it is not
    // needed to keep the receive going: it ends on its own at the state or the timeout.
    QCoro::Task<Received> waitForCallback(QString expectedState, double timeoutSeconds);

    // Blocks for up to `timeoutSeconds` in all, each connection for at most
    // connectionTimeLimit and maximumRequestBytes.
    Received receiveCallback(const QString& expectedState, double timeoutSeconds) const;

private:
    const QList<int> m_listeners;
    const quint16 m_port;
    const QByteArray m_successPage;
};

} // namespace tallyvane
