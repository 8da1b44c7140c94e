#pragma once

#include "ClaudeCredentialFence.h"
#include "ClaudeCredentialStoring.h"
#include "ClaudeSessionError.h"
#include "ClaudeTokenPayload.h"
#include "OAuthCallback.h"

#include <BuildConfiguration.h>
#include <UsageDomain/Instant.h>

#include <QCoroTask>
#include <QJsonObject>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <expected>
#include <functional>
#include <memory>

class QNetworkAccessManager;

namespace tallyvane {

// The whole OAuth client of the Claude account: browser sign-in with an authorisation code,
// PKCE (S256) and a loopback redirect; an access token with at least five minutes left,
// refreshed when needed; sign-out that revokes the refresh token and deletes the credential.
// Signed in means a readable credential in the store; nothing else is kept in memory.
// Lives on the main thread: operations interleave only where they wait for I/O. The session
// must outlive the operations it has started.
class ClaudeOAuthSession {
public:
    // True when the URL was handed to a browser. Called on the session's thread.
    using BrowserOpener = std::function<bool(const QUrl&)>;
    template <typename T> using Result = std::expected<T, ClaudeSessionError>;

    static constexpr double refreshMarginSeconds = 300;
    // A token lifetime from the server is taken within 0 ... one year: a negative one would
    // refresh at every collection, a huge one never.
    static constexpr double maximumLifetimeSeconds = 365.0 * 24 * 3600;
    static constexpr double defaultCallbackTimeoutSeconds = 300;
    static constexpr std::chrono::milliseconds defaultRequestTimeout{60'000};

    // Never inference: only these two, in this order.
    static QStringList requestedScopes();

    // Sessions on the same item must share `fence` (null: one of its own).
    // `network` may be null: the session then builds its own ephemeral one. A supplied manager
    // must outlive the session; the per-request settings apply to it as well.
    ClaudeOAuthSession(std::shared_ptr<ClaudeCredentialStoring> store, BrowserOpener browserOpener,
                       QUrl webBase = QUrl(QString::fromLatin1(BuildConfiguration::claudeWebBase)),
                       QUrl platformBase = QUrl(QString::fromLatin1(BuildConfiguration::claudePlatformBase)),
                       QString clientID = QString::fromLatin1(BuildConfiguration::claudeClientID),
                       QNetworkAccessManager* network = nullptr,
                       std::chrono::milliseconds requestTimeout = defaultRequestTimeout,
                       double callbackTimeoutSeconds = defaultCallbackTimeoutSeconds,
                       std::function<Instant()> clock = {},
                       std::shared_ptr<ClaudeCredentialFence> fence = {});
    ~ClaudeOAuthSession();
    ClaudeOAuthSession(const ClaudeOAuthSession&) = delete;
    ClaudeOAuthSession& operator=(const ClaudeOAuthSession&) = delete;

    // A stored, readable credential, expired or not; a store failure counts as false.
    QCoro::Task<bool> isSignedIn();
    // On success a new credential is stored; on any failure the stored one is left as it was.
    QCoro::Task<Result<void>> login();
    // A token with more than refreshMarginSeconds left, refreshed and stored first if needed.
    QCoro::Task<Result<QString>> validAccessToken();
    // Revokes the refresh token (best effort, never fails) and deletes the credential. Waits for
    // a refreshed credential being saved by a session sharing the fence, and keeps any later
    // one from being saved.
    QCoro::Task<Result<void>> logout();

    // The authorisation page address with its eight query parameters in their fixed order.
    QUrl authorizationURL(const QString& redirectURI, const QString& challenge, const QString& state) const;

private:
    // The code exchange and the save, once the browser came back with our state.
    QCoro::Task<Result<void>> completeSignIn(std::expected<OAuthCallback, ClaudeOAuthError> callback,
                                             QString verifier, QString state, QString redirectURI);
    QCoro::Task<Result<ClaudeTokenPayload>> requestToken(QJsonObject body, ClaudeOAuthError failure);
    QCoro::Task<void> revoke(QString refreshToken);
    ClaudeOAuthCredential credentialFrom(const ClaudeTokenPayload& payload, QString refreshToken) const;
    QUrl platformEndpoint(QLatin1StringView path) const;

    const std::shared_ptr<ClaudeCredentialStoring> m_store;
    const BrowserOpener m_browserOpener;
    const QUrl m_webBase;
    const QUrl m_platformBase;
    const QString m_clientID;
    std::unique_ptr<QNetworkAccessManager> m_ownedNetwork;
    QNetworkAccessManager* const m_network;
    const std::chrono::milliseconds m_requestTimeout;
    const double m_callbackTimeout;
    const std::function<Instant()> m_clock;
    const std::shared_ptr<ClaudeCredentialFence> m_fence;
};

} // namespace tallyvane
