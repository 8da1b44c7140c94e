#include "ProviderAuthenticationManager.h"

#include "ExecutableLocator.h"

#include <UsageDomain/Localizable.h>

#include <QDir>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {

using Status = ProviderConnectionStatus;

// Every detail the manager can give. Fixed sentences only, so nothing a child printed, no
// path and no token can ever be shown.
namespace Detail {
constexpr const char* claudeSignedIn = "Claude account · Keyring";
constexpr const char* claudeSignInRequired = "Claude sign-in required";
constexpr const char* claudeSignInFailed = "Claude sign-in was not completed";
constexpr const char* claudeDisconnected = "Tokens revoked and removed from the keyring";
constexpr const char* claudeRemovalFailed = "Claude credentials could not be removed";
constexpr const char* codexNotInstalled = "Command-line tool not found";
constexpr const char* codexUnsupported = "Codex must be updated to support live usage access";
constexpr const char* codexStatusUnchecked = "Authentication status could not be checked";
constexpr const char* codexSignInRequired = "ChatGPT sign-in required";
constexpr const char* codexChatGPT = "ChatGPT account";
constexpr const char* codexAPIKey = "OpenAI API key";
constexpr const char* codexAccount = "Codex account";
constexpr const char* codexNotAuthorized = "Account available — connect to authorize usage access";
constexpr const char* codexSignInTimedOut = "Sign-in timed out";
constexpr const char* codexSignInFailed = "ChatGPT sign-in was not completed";
constexpr const char* codexSignedOut = "Signed out from ChatGPT";
constexpr const char* codexSignOutFailed = "ChatGPT sign-out could not be completed";
} // namespace Detail

ProviderConnectionState answer(ProviderService service, Status status, const char* detail)
{
    return ProviderConnectionState{.service = service, .status = status, .detail = localized(detail)};
}

ProviderConnectionState codexAnswer(Status status, const char* detail)
{
    return answer(ProviderService::codex, status, detail);
}

ProviderConnectionState claudeAnswer(Status status, const char* detail)
{
    return answer(ProviderService::claude, status, detail);
}

// Which kind of account `codex login status` reports; only its standard output is read.
const char* accountDetail(const QByteArray& standardOutput)
{
    const QString text = QString::fromUtf8(standardOutput).toLower();
    if (text.contains(u"chatgpt"_s))
        return Detail::codexChatGPT;
    if (text.contains(u"api key"_s) || text.contains(u"api-key"_s))
        return Detail::codexAPIKey;
    return Detail::codexAccount;
}

} // namespace

ProviderAuthenticationManager::ProviderAuthenticationManager(
    CodexExecutableSearch codexSearch, std::shared_ptr<CommandRunning> commandRunner,
    std::shared_ptr<AuthorizationFlagStore> authorizationFlags,
    std::shared_ptr<ClaudeOAuthSession> claudeSession,
    std::shared_ptr<CodexAccountAuthenticating> codexSession, ProviderAuthenticationLimits limits)
    : m_codexSearch(std::move(codexSearch))
    , m_commandRunner(std::move(commandRunner))
    , m_authorizationFlags(std::move(authorizationFlags))
    , m_claudeSession(std::move(claudeSession))
    , m_codexSession(std::move(codexSession))
    , m_limits(limits)
{
    Q_ASSERT(m_commandRunner && m_authorizationFlags && m_claudeSession && m_codexSession);
}

QCoro::Task<ProviderConnectionState> ProviderAuthenticationManager::status(ProviderService service)
{
    auto query = service == ProviderService::codex ? codexStatus() : claudeStatus();
    const ProviderConnectionState state = co_await query;
    co_return state;
}

QCoro::Task<ProviderConnectionState> ProviderAuthenticationManager::login(ProviderService service)
{
    auto signIn = service == ProviderService::codex ? codexLogin() : claudeLogin();
    const ProviderConnectionState state = co_await signIn;
    co_return state;
}

QCoro::Task<ProviderConnectionState> ProviderAuthenticationManager::disconnect(ProviderService service)
{
    auto signOut = service == ProviderService::codex ? codexDisconnect() : claudeDisconnect();
    const ProviderConnectionState state = co_await signOut;
    co_return state;
}

QCoro::Task<ProviderConnectionState> ProviderAuthenticationManager::claudeStatus()
{
    // The store alone decides; expiry is the usage provider's concern and needs no request.
    auto query = m_claudeSession->isSignedIn();
    const bool signedIn = co_await query;
    co_return signedIn ? claudeAnswer(Status::signedIn, Detail::claudeSignedIn)
                       : claudeAnswer(Status::signedOut, Detail::claudeSignInRequired);
}

QCoro::Task<ProviderConnectionState> ProviderAuthenticationManager::claudeLogin()
{
    auto signIn = m_claudeSession->login();
    const ClaudeOAuthSession::Result<void> result = co_await signIn;
    co_return result ? claudeAnswer(Status::signedIn, Detail::claudeSignedIn)
                     : claudeAnswer(Status::failed, Detail::claudeSignInFailed);
}

QCoro::Task<ProviderConnectionState> ProviderAuthenticationManager::claudeDisconnect()
{
    auto signOut = m_claudeSession->logout();
    const ClaudeOAuthSession::Result<void> result = co_await signOut;
    co_return result ? claudeAnswer(Status::signedOut, Detail::claudeDisconnected)
                     : claudeAnswer(Status::failed, Detail::claudeRemovalFailed);
}

std::optional<ProviderAuthenticationManager::LocatedCodex> ProviderAuthenticationManager::locateCodex() const
{
    return m_codexSearch.locate();
}

QCoro::Task<bool> ProviderAuthenticationManager::isAppServerCapable(LocatedCodex codex)
{
    if (m_appServerCapableExecutable == codex.executablePath)
        co_return true;
    const QStringList arguments{u"app-server"_s, u"--help"_s};
    auto check = m_commandRunner->run(codex.executablePath, arguments, codex.environment,
                                      m_limits.capabilityTimeoutSeconds, m_limits.outputLimit);
    const CommandResult result = co_await check;
    if (!result || result->status != 0)
        co_return false;
    // Only a pass is remembered: an old tool may be updated in place while we run.
    m_appServerCapableExecutable = codex.executablePath;
    co_return true;
}

QCoro::Task<std::expected<ProviderAuthenticationManager::LocatedCodex, ProviderConnectionState>>
ProviderAuthenticationManager::usableCodex()
{
    std::optional<LocatedCodex> codex = locateCodex();
    if (!codex)
        co_return std::unexpected(codexAnswer(Status::notInstalled, Detail::codexNotInstalled));
    auto check = isAppServerCapable(*codex);
    const bool capable = co_await check;
    if (!capable)
        co_return std::unexpected(codexAnswer(Status::unsupportedVersion, Detail::codexUnsupported));
    LocatedCodex located = std::move(*codex);
    co_return located;
}

QCoro::Task<ProviderConnectionState> ProviderAuthenticationManager::codexAccountStatus()
{
    auto preparing = usableCodex();
    const std::expected<LocatedCodex, ProviderConnectionState> codex = co_await preparing;
    if (!codex) {
        const ProviderConnectionState ended = codex.error();
        co_return ended;
    }
    const QStringList arguments{u"login"_s, u"status"_s};
    auto query = m_commandRunner->run(codex->executablePath, arguments, codex->environment,
                                      m_limits.statusTimeoutSeconds, m_limits.outputLimit);
    const CommandResult result = co_await query;
    if (!result)
        co_return codexAnswer(Status::failed, Detail::codexStatusUnchecked);
    if (result->status != 0)
        co_return codexAnswer(Status::signedOut, Detail::codexSignInRequired);
    co_return codexAnswer(Status::signedIn, accountDetail(result->standardOutput));
}

QCoro::Task<ProviderConnectionState> ProviderAuthenticationManager::codexStatus()
{
    auto query = codexAccountStatus();
    const ProviderConnectionState state = co_await query;
    if (state.status == Status::signedIn && !m_authorizationFlags->isAuthorized(ProviderService::codex))
        co_return codexAnswer(Status::disconnected, Detail::codexNotAuthorized);
    co_return state;
}

QCoro::Task<ProviderConnectionState> ProviderAuthenticationManager::codexLogin()
{
    auto preparing = usableCodex();
    const std::expected<LocatedCodex, ProviderConnectionState> codex = co_await preparing;
    if (!codex) {
        const ProviderConnectionState ended = codex.error();
        co_return ended;
    }
    auto signIn = m_codexSession->login(codex->executablePath, codex->environment);
    const std::expected<void, CodexOAuthError> signedIn = co_await signIn;
    if (!signedIn) {
        co_return signedIn.error().kind() == CodexOAuthError::Kind::timedOut
            ? codexAnswer(Status::failed, Detail::codexSignInTimedOut)
            : codexAnswer(Status::failed, Detail::codexSignInFailed);
    }
    // The tool has the account now; consent is recorded only once the tool confirms it.
    auto query = codexAccountStatus();
    const ProviderConnectionState state = co_await query;
    if (state.status == Status::signedIn)
        m_authorizationFlags->setAuthorized(ProviderService::codex, true);
    co_return state;
}

QCoro::Task<ProviderConnectionState> ProviderAuthenticationManager::codexDisconnect()
{
    // No capability check: signing out must work with whatever tool is installed.
    const std::optional<LocatedCodex> codex = locateCodex();
    if (!codex) {
        m_authorizationFlags->setAuthorized(ProviderService::codex, false);
        co_return codexAnswer(Status::notInstalled, Detail::codexNotInstalled);
    }
    auto signOut = m_codexSession->logout(codex->executablePath, codex->environment);
    const std::expected<void, CodexOAuthError> result = co_await signOut;
    if (!result)
        co_return codexAnswer(Status::failed, Detail::codexSignOutFailed);
    m_authorizationFlags->setAuthorized(ProviderService::codex, false);
    co_return codexAnswer(Status::signedOut, Detail::codexSignedOut);
}

} // namespace tallyvane
