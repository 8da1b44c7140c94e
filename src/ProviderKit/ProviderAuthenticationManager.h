#pragma once

#include "AuthorizationFlagStore.h"
#include "ClaudeOAuthSession.h"
#include "CodexAccountAuthenticating.h"
#include "CodexExecutableSearch.h"
#include "CommandRunning.h"
#include "ProviderAuthenticating.h"

#include <expected>
#include <memory>
#include <optional>

namespace tallyvane {

// The time-outs and output cap of the Codex status and capability commands.
struct ProviderAuthenticationLimits {
    double statusTimeoutSeconds = 8;
    double capabilityTimeoutSeconds = 5;
    qint64 outputLimit = 65536;
};

// Answers "is this service connected?", signs in and disconnects, for both services behind
// one interface. Claude tokens are ours (the Claude session and its keyring item); the Codex
// account belongs to the `codex` tool, which is only ever asked through child processes. On
// top of a Codex sign-in the manager keeps the user's authorisation flag, because an account
// signed in for the tool is not one the user has agreed to let us read.
//
// Lives on the main thread; operations interleave only while a child, the browser or the
// network is awaited. The manager must outlive the operations it has started. Details are
// fixed sentences: no path, token or child output ever reaches one.
class ProviderAuthenticationManager final : public ProviderAuthenticating {
public:
    ProviderAuthenticationManager(CodexExecutableSearch codexSearch,
                                  std::shared_ptr<CommandRunning> commandRunner,
                                  std::shared_ptr<AuthorizationFlagStore> authorizationFlags,
                                  std::shared_ptr<ClaudeOAuthSession> claudeSession,
                                  std::shared_ptr<CodexAccountAuthenticating> codexSession,
                                  ProviderAuthenticationLimits limits = {});
    ProviderAuthenticationManager(const ProviderAuthenticationManager&) = delete;
    ProviderAuthenticationManager& operator=(const ProviderAuthenticationManager&) = delete;

    QCoro::Task<ProviderConnectionState> status(ProviderService service) override;
    QCoro::Task<ProviderConnectionState> login(ProviderService service) override;
    QCoro::Task<ProviderConnectionState> disconnect(ProviderService service) override;

    // The last executable that passed the capability check, if any (kept for this run only).
    std::optional<QString> appServerCapableExecutable() const { return m_appServerCapableExecutable; }

private:
    using LocatedCodex = LocatedExecutable;

    std::optional<LocatedCodex> locateCodex() const;
    QCoro::Task<bool> isAppServerCapable(LocatedCodex codex);
    // Located and new enough, or the state that ends the operation.
    QCoro::Task<std::expected<LocatedCodex, ProviderConnectionState>> usableCodex();
    // What `codex login status` says, before the authorisation flag is applied.
    QCoro::Task<ProviderConnectionState> codexAccountStatus();

    QCoro::Task<ProviderConnectionState> codexStatus();
    QCoro::Task<ProviderConnectionState> codexLogin();
    QCoro::Task<ProviderConnectionState> codexDisconnect();
    QCoro::Task<ProviderConnectionState> claudeStatus();
    QCoro::Task<ProviderConnectionState> claudeLogin();
    QCoro::Task<ProviderConnectionState> claudeDisconnect();

    const CodexExecutableSearch m_codexSearch;
    const std::shared_ptr<CommandRunning> m_commandRunner;
    const std::shared_ptr<AuthorizationFlagStore> m_authorizationFlags;
    const std::shared_ptr<ClaudeOAuthSession> m_claudeSession;
    const std::shared_ptr<CodexAccountAuthenticating> m_codexSession;
    const ProviderAuthenticationLimits m_limits;
    std::optional<QString> m_appServerCapableExecutable;
};

} // namespace tallyvane
