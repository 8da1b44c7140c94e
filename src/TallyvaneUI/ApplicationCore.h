#pragma once

#include "Preferences.h"
#include "UsageAppModel.h"
#include "UsageNotifications.h"

#include <Platform/NotificationServiceWatcher.h>
#include <ProviderKit/ProviderAuthenticationManager.h>

#include <QObject>

#include <functional>
#include <memory>

namespace tallyvane {

class ClaudeCredentialFence;
class ClaudeCredentialStoring;

// The application's headless heart, built the default way: the preferences, the
// authentication manager (with its own Claude session and the Codex sign-in), the
// notification controller on the desktop's notification service, and the model with the
// Codex provider and a Claude provider whose Claude session shares the manager's keyring item.
class ApplicationCore : public QObject {
    Q_OBJECT
public:
    using BrowserOpener = std::function<bool(const QUrl&)>;

    // The opener must be callable from any thread; it opens sign-in pages in the browser.
    explicit ApplicationCore(BrowserOpener browserOpener, UsageAppModel::Timing timing = {},
                             QObject* parent = nullptr);
    ~ApplicationCore() override;

    Preferences& preferences() { return m_preferences; }
    UsageNotificationController& notifications() { return *m_notifications; }
    UsageAppModel& model() { return *m_model; }

    static UsageAppModel::ProviderMap
    defaultProviders(std::shared_ptr<ClaudeCredentialStoring> claudeCredential,
                     std::shared_ptr<ClaudeCredentialFence> claudeFence);

private:
    Preferences m_preferences;
    std::shared_ptr<ProviderAuthenticationManager> m_authentication;
    std::unique_ptr<UsageNotificationController> m_notifications;
    NotificationServiceWatcher m_notificationService;
    std::unique_ptr<UsageAppModel> m_model;
};

} // namespace tallyvane
