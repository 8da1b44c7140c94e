#include "ClaudeUsageProvider.h"

#include "ClaudeProviderIdentity.h"
#include "ClaudeUsageNormalizer.h"

#include <ProviderKit/EphemeralNetworkAccess.h>
#include <ProviderKit/HttpExchange.h>

#include <QNetworkAccessManager>
#include <QNetworkRequest>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {

ProviderDiagnostic errorDiagnostic(QString code, QString message)
{
    return ProviderDiagnostic{
        .severity = DiagnosticSeverity::error, .code = std::move(code), .message = std::move(message)};
}

ProviderDiagnostic invalidResponse()
{
    return errorDiagnostic(u"claude.invalid_response"_s, u"Claude returned an invalid network response."_s);
}

ProviderDiagnostic authorizationRejected()
{
    return errorDiagnostic(u"claude.authentication_expired"_s,
                           u"Claude rejected the account authorization. Reconnect Claude."_s);
}

ProviderDiagnostic rateLimited()
{
    return errorDiagnostic(u"claude.rate_limited"_s, u"Claude temporarily rate-limited usage checks."_s);
}

ProviderDiagnostic httpError()
{
    return errorDiagnostic(u"claude.http_error"_s, u"Claude usage is temporarily unavailable."_s);
}

ProviderDiagnostic authorizationExpired()
{
    return errorDiagnostic(u"claude.authentication_expired"_s,
                           u"Claude authorization expired. Reconnect Claude."_s);
}

ProviderDiagnostic authenticationRequired()
{
    return errorDiagnostic(u"claude.authentication_required"_s,
                           u"Sign in to Claude to read account usage."_s);
}

ProviderDiagnostic schemaError()
{
    return errorDiagnostic(u"claude.schema_error"_s,
                           u"Claude usage did not match the known account schema."_s);
}

ProviderDiagnostic collectionFailed()
{
    return errorDiagnostic(u"claude.collection_failed"_s,
                           u"Claude usage could not be refreshed from the account."_s);
}

ProviderDiagnostic sessionFailure(const ClaudeSessionError& error)
{
    if (error == ClaudeSessionError(ClaudeOAuthError::tokenRefreshFailed))
        return authorizationExpired();
    if (error == ClaudeSessionError(ClaudeOAuthError::signedOut))
        return authenticationRequired();
    return collectionFailed();
}

ProviderCollectionResult failedCollection(const UsageCollectionRequest& request,
                                          ProviderDiagnostic diagnostic)
{
    return ProviderCollectionResult{
        .provider = ClaudeProviderIdentity::providerDescriptor(),
        .collectedAt = request.observedAt,
        .windows = {},
        .tokenBuckets = {},
        .diagnostics = {std::move(diagnostic)},
    };
}

QUrl usageEndpoint(QUrl base)
{
    QString path = base.path();
    while (path.endsWith(u'/'))
        path.chop(1);
    base.setPath(path + "/api/oauth/usage"_L1);
    base.setQuery(QString());
    base.setFragment(QString());
    return base;
}

} // namespace

ClaudeUsageProvider::ClaudeUsageProvider(std::shared_ptr<ClaudeOAuthSession> session, QUrl apiBase,
                                         QNetworkAccessManager* network,
                                         std::chrono::milliseconds requestTimeout)
    : m_session(std::move(session))
    , m_usageEndpoint(usageEndpoint(std::move(apiBase)))
    , m_network(network ? std::shared_ptr<QNetworkAccessManager>(network, [](QNetworkAccessManager*) {})
                        : std::shared_ptr<QNetworkAccessManager>(EphemeralNetworkAccess::createManager()))
    , m_requestTimeout(requestTimeout)
{
}

ProviderDescriptor ClaudeUsageProvider::descriptor() const
{
    return ClaudeProviderIdentity::providerDescriptor();
}

QCoro::Task<ProviderProbeResult> ClaudeUsageProvider::probe()
{
    const std::shared_ptr<ClaudeOAuthSession> session = m_session;
    ProviderProbeResult result{.provider = descriptor(),
                               .availability = ProviderAvailability::authenticationRequired,
                               .capabilities = {},
                               .sourceVersion = std::nullopt,
                               .diagnostics = {}};
    auto checking = session->isSignedIn();
    if (!co_await checking)
        co_return result;
    result.availability = ProviderAvailability::availableWithLimitations;
    result.capabilities = {ProviderCapabilities::usageWindows, ProviderCapabilities::resetTimes,
                           ProviderCapabilities::dailyTokenTotals};
    result.diagnostics = {ProviderDiagnostic{
        .severity = DiagnosticSeverity::info,
        .code = u"claude.undocumented_account_endpoint"_s,
        .message =
            u"Claude usage is queried live from an authenticated, undocumented personal-account endpoint."_s}};
    co_return result;
}

QCoro::Task<ProviderCollectionResult> ClaudeUsageProvider::collect(UsageCollectionRequest request)
{
    // Copied before the first suspension: nothing of `this` is touched after it.
    const std::shared_ptr<ClaudeOAuthSession> session = m_session;
    const std::shared_ptr<QNetworkAccessManager> network = m_network;
    QNetworkRequest usage(m_usageEndpoint);
    const std::chrono::milliseconds timeout = m_requestTimeout;

    auto tokenRequest = session->validAccessToken();
    const ClaudeOAuthSession::Result<QString> token = co_await tokenRequest;
    if (!token)
        co_return failedCollection(request, sessionFailure(token.error()));
    // A stored token could come from anywhere; one that would break the header line is not sent.
    if (!ClaudeTokenPayload::isHeaderSafe(*token))
        co_return failedCollection(request, collectionFailed());

    usage.setRawHeader("Authorization"_ba, "Bearer "_ba + token->toLatin1());
    usage.setRawHeader("Accept"_ba, "application/json"_ba);
    usage.setRawHeader("anthropic-beta"_ba, "oauth-2025-04-20"_ba);
    auto exchange = HttpExchange::get(*network, std::move(usage), timeout);
    const HttpExchange::Result answer = co_await exchange;
    if (!answer)
        co_return failedCollection(request, collectionFailed());
    if (!answer->statusCode)
        co_return failedCollection(request, invalidResponse());
    switch (*answer->statusCode) {
    case 200:
        break;
    case 401:
    case 403:
        co_return failedCollection(request, authorizationRejected());
    case 429:
        co_return failedCollection(request, rateLimited());
    default:
        co_return failedCollection(request, httpError());
    }
    if (answer->bodyTooLarge)
        co_return failedCollection(request, collectionFailed());

    auto normalized =
        ClaudeUsageNormalizer::normalize(answer->body, request.connectionID, request.observedAt);
    if (!normalized)
        co_return failedCollection(request, schemaError());
    co_return std::move(*normalized);
}

} // namespace tallyvane
