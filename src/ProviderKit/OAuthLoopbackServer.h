#pragma once

#include "ClaudeOAuthError.h"
#include "OAuthCallback.h"

#include <QByteArray>
#include <QCoroTask>
#include <QString>
#include <QUrl>

#include <expected>
#include <memory>

namespace tallyvane {

// The one-shot listener behind the sign-in redirect address: a TCP socket on 127.0.0.1 at a
// port the system picks, which takes exactly one browser connection, reads its request once,
// answers a good callback with a redirect to the success page and hands back code and state.
// Shared, because the blocking wait keeps it alive while it runs; the listening socket stays
// open until the last reference goes, so a late browser waits in the backlog instead of
// being refused by whatever else might take the port.
class OAuthLoopbackServer : public std::enable_shared_from_this<OAuthLoopbackServer> {
    struct ConstructionKey {};

public:
    using Received = std::expected<OAuthCallback, ClaudeOAuthError>;

    static constexpr qsizetype maximumRequestBytes = 16384;

    // Binds and listens; `platformBase` is the host of the success page (an absolute URL such
    // as "https://platform.claude.com"). Any failure is callbackFailed.
    static std::expected<std::shared_ptr<OAuthLoopbackServer>, ClaudeOAuthError>
    create(const QUrl& platformBase);

    OAuthLoopbackServer(ConstructionKey, int socketDescriptor, quint16 port, QByteArray successPage);
    ~OAuthLoopbackServer();
    OAuthLoopbackServer(const OAuthLoopbackServer&) = delete;
    OAuthLoopbackServer& operator=(const OAuthLoopbackServer&) = delete;

    quint16 port() const { return m_port; }
    int socketDescriptor() const { return m_socketDescriptor; }
    // The address the browser is sent back to: "http://localhost:<port>/callback".
    QString redirectURI() const;
    // The Location of the redirect reply, already encoded.
    const QByteArray& successPage() const { return m_successPage; }

    // Runs receiveCallback on the blocking pool; never blocks the caller. Awaiting it is not
    // needed to keep the receive going: it ends on its own at a connection or the timeout.
    QCoro::Task<Received> waitForCallback(double timeoutSeconds);

    // Blocks for up to `timeoutSeconds` (one deadline for the connection and its request):
    // accepts one connection, reads once, replies and closes. callbackFailed when no
    // connection could be taken in time; invalidCallback when the request was not a usable
    // callback, in which case the connection is closed without a reply.
    Received receiveCallback(double timeoutSeconds) const;

private:
    const int m_socketDescriptor;
    const quint16 m_port;
    const QByteArray m_successPage;
};

} // namespace tallyvane
