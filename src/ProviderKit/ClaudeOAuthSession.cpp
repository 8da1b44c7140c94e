#include "ClaudeOAuthSession.h"

#include "EphemeralNetworkAccess.h"
#include "HttpExchange.h"
#include "OAuthCallbackRequest.h"
#include "OAuthLoopbackServer.h"
#include "Pkce.h"

#include <UsageDomain/Localizable.h>

#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkRequest>

#include <algorithm>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {

std::unexpected<ClaudeSessionError> failure(ClaudeOAuthError error)
{
    return std::unexpected(ClaudeSessionError(error));
}

// The query value encoding of a URL-components builder: a space is %20, ":" and "/" stay, and
// the delimiters "&", "=", "+", "#" are escaped so no value can add a parameter.
QByteArray queryValue(const QString& value)
{
    return QUrl::toPercentEncoding(value, ":/"_ba);
}

QUrl withPath(QUrl base, QLatin1StringView path)
{
    QString basePath = base.path();
    while (basePath.endsWith(u'/'))
        basePath.chop(1);
    base.setPath(basePath + path);
    base.setQuery(QString());
    base.setFragment(QString());
    return base;
}

QByteArray jsonBody(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

QStringList ClaudeOAuthSession::requestedScopes()
{
    return {u"org:create_api_key"_s, u"user:profile"_s};
}

ClaudeOAuthSession::ClaudeOAuthSession(std::shared_ptr<ClaudeCredentialStoring> store,
                                       BrowserOpener browserOpener, QUrl webBase, QUrl platformBase,
                                       QString clientID, QNetworkAccessManager* network,
                                       std::chrono::milliseconds requestTimeout,
                                       double callbackTimeoutSeconds, std::function<Instant()> clock,
                                       std::shared_ptr<ClaudeCredentialFence> fence)
    : m_store(std::move(store))
    , m_browserOpener(std::move(browserOpener))
    , m_webBase(std::move(webBase))
    , m_platformBase(std::move(platformBase))
    , m_clientID(std::move(clientID))
    , m_ownedNetwork(network ? nullptr : EphemeralNetworkAccess::createManager())
    , m_network(network ? network : m_ownedNetwork.get())
    , m_requestTimeout(requestTimeout)
    , m_callbackTimeout(callbackTimeoutSeconds)
    , m_clock(clock ? std::move(clock) : std::function<Instant()>(&Instant::now))
    , m_fence(fence ? std::move(fence) : std::make_shared<ClaudeCredentialFence>())
{
}

ClaudeOAuthSession::~ClaudeOAuthSession() = default;

QCoro::Task<bool> ClaudeOAuthSession::isSignedIn()
{
    auto loading = m_store->load();
    const auto stored = co_await loading;
    co_return stored && stored->has_value();
}

QUrl ClaudeOAuthSession::authorizationURL(const QString& redirectURI, const QString& challenge,
                                          const QString& state) const
{
    const std::pair<QLatin1StringView, QString> parameters[] = {
        {"code"_L1, u"true"_s},
        {"client_id"_L1, m_clientID},
        {"response_type"_L1, u"code"_s},
        {"redirect_uri"_L1, redirectURI},
        {"scope"_L1, requestedScopes().join(u' ')},
        {"code_challenge"_L1, challenge},
        {"code_challenge_method"_L1, u"S256"_s},
        {"state"_L1, state},
    };
    QByteArray query;
    for (const auto& [name, value] : parameters) {
        if (!query.isEmpty())
            query += '&';
        query += QByteArrayView(name) + '=' + queryValue(value);
    }
    QUrl url = withPath(m_webBase, "/cai/oauth/authorize"_L1);
    url.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
    return url;
}

QCoro::Task<ClaudeOAuthSession::Result<void>> ClaudeOAuthSession::login()
{
    const auto created = OAuthLoopbackServer::create(m_platformBase);
    if (!created)
        co_return failure(created.error());
    // Held until the login ends: the listening socket closes with it.
    const std::shared_ptr<OAuthLoopbackServer> server = *created;

    const QString verifier = Pkce::randomURLSafeText(Pkce::verifierBytes);
    const QString challenge = Pkce::challenge(verifier);
    const QString state = Pkce::randomURLSafeText(Pkce::stateBytes);
    const QString redirectURI = server->redirectURI();
    const QUrl authorization = authorizationURL(redirectURI, challenge, state);
    if (!authorization.isValid() || authorization.isRelative())
        co_return failure(ClaudeOAuthError::callbackFailed);
    if (!m_browserOpener || !m_browserOpener(authorization))
        co_return failure(ClaudeOAuthError::browserCouldNotOpen);

    auto waiting = server->waitForCallback(state, m_callbackTimeout);
    const OAuthLoopbackServer::Received arrival = co_await waiting;
    if (!arrival)
        co_return failure(arrival.error());

    // The browser is told how it ended only now: a success page for a sign-in that then
    // failed would tell the user the opposite of what happened.
    auto completing = completeSignIn(arrival->callback, verifier, state, redirectURI);
    Result<void> completed = co_await completing;
    const QString failurePage =
        localized("Claude sign-in was not completed. Return to Tallyvane to try again.");
    arrival->browser->answer(completed ? server->successReply()
                                       : OAuthCallbackRequest::failureReply(failurePage));
    co_return completed;
}

QCoro::Task<ClaudeOAuthSession::Result<void>>
ClaudeOAuthSession::completeSignIn(std::expected<OAuthCallback, ClaudeOAuthError> callback, QString verifier,
                                   QString state, QString redirectURI)
{
    if (!callback)
        co_return failure(callback.error());
    const QJsonObject body{
        {u"grant_type"_s, u"authorization_code"_s},
        {u"code"_s, callback->code},
        {u"redirect_uri"_s, redirectURI},
        {u"client_id"_s, m_clientID},
        {u"code_verifier"_s, verifier},
        {u"state"_s, state},
    };
    auto exchange = requestToken(body, ClaudeOAuthError::tokenExchangeFailed);
    const Result<ClaudeTokenPayload> payload = co_await exchange;
    if (!payload)
        co_return std::unexpected(payload.error());
    // Without a refresh token the sign-in would lapse within the hour: not a sign-in.
    if (!payload->refreshToken)
        co_return failure(ClaudeOAuthError::tokenExchangeFailed);

    auto saving = m_store->save(credentialFrom(*payload, *payload->refreshToken));
    const auto saved = co_await saving;
    if (!saved)
        co_return failure(ClaudeOAuthError::credentialStorageFailed);
    co_return Result<void>();
}

QCoro::Task<ClaudeOAuthSession::Result<QString>> ClaudeOAuthSession::validAccessToken()
{
    const auto fence = m_fence;
    const std::uint64_t generation = fence->generation();
    auto loading = m_store->load();
    const auto stored = co_await loading;
    if (!stored)
        co_return failure(ClaudeOAuthError::credentialStorageFailed);
    if (!stored->has_value())
        co_return failure(ClaudeOAuthError::signedOut);
    const ClaudeOAuthCredential& credential = **stored;
    if (credential.expiresAt.secondsSince(m_clock()) > refreshMarginSeconds)
        co_return credential.accessToken;

    const QJsonObject body{
        {u"grant_type"_s, u"refresh_token"_s},
        {u"refresh_token"_s, credential.refreshToken},
        {u"client_id"_s, m_clientID},
        {u"scope"_s, credential.scopes.join(u' ')},
    };
    auto refresh = requestToken(body, ClaudeOAuthError::tokenRefreshFailed);
    const Result<ClaudeTokenPayload> payload = co_await refresh;
    if (!payload)
        co_return std::unexpected(payload.error());

    // Rotation is honoured; an answer without a refresh token keeps the one we have.
    ClaudeOAuthCredential renewed =
        credentialFrom(*payload, payload->refreshToken.value_or(credential.refreshToken));
    const QString accessToken = renewed.accessToken;
    // A sign-out began while the token was being refreshed: the credential is gone for good.
    if (!fence->beginWrite(generation))
        co_return failure(ClaudeOAuthError::signedOut);
    auto saving = m_store->save(std::move(renewed));
    const auto saved = co_await saving;
    fence->endWrite();
    if (!saved)
        co_return failure(ClaudeOAuthError::credentialStorageFailed);
    co_return accessToken;
}

QCoro::Task<ClaudeOAuthSession::Result<void>> ClaudeOAuthSession::logout()
{
    m_fence->beginSignOut();
    auto settling = m_fence->writesSettled();
    co_await settling;
    auto loading = m_store->load();
    const auto stored = co_await loading;
    if (!stored)
        co_return failure(ClaudeOAuthError::credentialStorageFailed);
    if (stored->has_value()) {
        auto revoking = revoke((*stored)->refreshToken);
        co_await revoking;
    }
    auto removing = m_store->remove();
    const auto removed = co_await removing;
    if (!removed)
        co_return failure(ClaudeOAuthError::credentialStorageFailed);
    co_return Result<void>();
}

QCoro::Task<ClaudeOAuthSession::Result<ClaudeTokenPayload>>
ClaudeOAuthSession::requestToken(QJsonObject body, ClaudeOAuthError failureCase)
{
    QNetworkRequest request(platformEndpoint("/v1/oauth/token"_L1));
    request.setHeader(QNetworkRequest::ContentTypeHeader, u"application/json"_s);
    auto exchange = HttpExchange::post(*m_network, std::move(request), jsonBody(body), m_requestTimeout);
    const HttpExchange::Result answer = co_await exchange;
    if (!answer)
        co_return std::unexpected(ClaudeSessionError(answer.error()));
    // Only exactly 200 counts; a redirect is one more refusal, and no body but a 200's is read.
    if (answer->statusCode != 200 || answer->bodyTooLarge)
        co_return failure(failureCase);
    auto payload = fromJsonBytes<ClaudeTokenPayload>(answer->body);
    if (!payload)
        co_return failure(failureCase);
    co_return std::move(*payload);
}

QCoro::Task<void> ClaudeOAuthSession::revoke(QString refreshToken)
{
    QNetworkRequest request(platformEndpoint("/v1/oauth/token/revoke"_L1));
    request.setHeader(QNetworkRequest::ContentTypeHeader, u"application/json"_s);
    const QJsonObject body{
        {u"token"_s, refreshToken},
        {u"token_type_hint"_s, u"refresh_token"_s},
        {u"client_id"_s, m_clientID},
    };
    auto exchange = HttpExchange::post(*m_network, std::move(request), jsonBody(body), m_requestTimeout);
    // Best effort: whatever happens, signing out locally goes on.
    [[maybe_unused]] const HttpExchange::Result answer = co_await exchange;
}

ClaudeOAuthCredential ClaudeOAuthSession::credentialFrom(const ClaudeTokenPayload& payload,
                                                         QString refreshToken) const
{
    return ClaudeOAuthCredential{
        .accessToken = payload.accessToken,
        .refreshToken = std::move(refreshToken),
        .expiresAt = m_clock().addingSeconds(std::clamp(payload.expiresIn, 0.0, maximumLifetimeSeconds)),
        .scopes = payload.scope ? payload.scope->split(u' ', Qt::SkipEmptyParts) : requestedScopes(),
    };
}

QUrl ClaudeOAuthSession::platformEndpoint(QLatin1StringView path) const
{
    return withPath(m_platformBase, path);
}

} // namespace tallyvane
