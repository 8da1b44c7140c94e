#include "ApplicationCore.h"

#include "PreferencesAuthorizationFlags.h"

#include <ClaudeProvider/ClaudeUsageProvider.h>
#include <CodexProvider/CodexUsageProvider.h>
#include <Platform/DesktopNotifications.h>
#include <ProviderKit/ClaudeCredentialStore.h>
#include <ProviderKit/ClaudeOAuthSession.h>
#include <ProviderKit/CodexOAuthSession.h>
#include <ProviderKit/FoundationCommandRunner.h>
#include <ProviderKit/SharedCredentialReads.h>

namespace tallyvane {

namespace {

// Both Claude sessions use the same keyring item, so a sign-in by the manager is what the
// provider's session reads; they share one fence, so a refresh by the provider's session
// cannot bring back a credential the manager's session signed out.
std::shared_ptr<ClaudeOAuthSession> claudeSession(ClaudeOAuthSession::BrowserOpener opener,
                                                  std::shared_ptr<ClaudeCredentialStoring> store,
                                                  std::shared_ptr<ClaudeCredentialFence> fence)
{
    return std::make_shared<ClaudeOAuthSession>(
        std::move(store), std::move(opener), QUrl(QString::fromLatin1(BuildConfiguration::claudeWebBase)),
        QUrl(QString::fromLatin1(BuildConfiguration::claudePlatformBase)),
        QString::fromLatin1(BuildConfiguration::claudeClientID), nullptr,
        ClaudeOAuthSession::defaultRequestTimeout, ClaudeOAuthSession::defaultCallbackTimeoutSeconds,
        std::function<Instant()>(), std::move(fence));
}

} // namespace

ApplicationCore::ApplicationCore(BrowserOpener browserOpener, UsageAppModel::Timing timing, QObject* parent)
    : QObject(parent)
{
    // One keyring item, read once for whatever asks together, and one fence over its writes.
    const auto claudeCredential =
        std::make_shared<SharedCredentialReads>(std::make_shared<ClaudeCredentialStore>());
    const auto claudeFence = std::make_shared<ClaudeCredentialFence>();
    m_authentication = std::make_shared<ProviderAuthenticationManager>(
        CodexExecutableSearch{}, std::make_shared<FoundationCommandRunner>(),
        std::make_shared<PreferencesAuthorizationFlags>(m_preferences),
        claudeSession(browserOpener, claudeCredential, claudeFence),
        std::make_shared<CodexOAuthSession>(CodexOAuthSession::onMainThread(browserOpener)));
    m_notifications = std::make_unique<UsageNotificationController>(
        std::make_shared<DesktopNotifications>(), [this] { return UsageAlertSettings::read(m_preferences); });
    m_notifications->followService(m_notificationService);
    m_model =
        std::make_unique<UsageAppModel>(m_authentication, defaultProviders(claudeCredential, claudeFence),
                                        &Instant::now, m_preferences, *m_notifications, timing);
}

ApplicationCore::~ApplicationCore() = default;

UsageAppModel::ProviderMap
ApplicationCore::defaultProviders(std::shared_ptr<ClaudeCredentialStoring> claudeCredential,
                                  std::shared_ptr<ClaudeCredentialFence> claudeFence)
{
    // The provider's session only ever hands out tokens; it never opens a browser.
    const auto neverOpens = [](const QUrl&) { return false; };
    return {
        {ProviderService::codex, std::make_shared<CodexUsageProvider>()},
        {ProviderService::claude, std::make_shared<ClaudeUsageProvider>(claudeSession(
                                      neverOpens, std::move(claudeCredential), std::move(claudeFence)))},
    };
}

} // namespace tallyvane
