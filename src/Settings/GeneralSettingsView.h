#pragma once

#include "SaveFileChooser.h"
#include "SettingsPage.h"

#include <UsageViews/ViewServices.h>

class QPushButton;

namespace tallyvane {

class LoginItemController;
class SettingsStepperRow;
class SettingsToggleRow;
class UsageNotificationController;

// General: launch at login, refresh intervals, usage alerts, and the diagnostics and privacy
// notes. The login state is read again every time the page is shown, since the desktop's
// autostart settings can change it behind our back.
class GeneralSettingsView : public SettingsPage {
    Q_OBJECT
public:
    GeneralSettingsView(const ViewServices& services, UsageNotificationController& notifications,
                        LoginItemController& loginItem, SaveFileChooser chooseFile,
                        QWidget* parent = nullptr);

    SettingsToggleRow* launchAtLoginRow() const { return m_launchAtLogin; }
    QPushButton* openSystemSettingsButton() const { return m_openSystemSettings; }
    SettingsStepperRow* activeRefreshRow() const { return m_activeRefresh; }
    SettingsStepperRow* idleRefreshRow() const { return m_idleRefresh; }
    SettingsToggleRow* usageAlertsRow() const { return m_usageAlerts; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* startupRows();
    void addNotifications(Preferences& preferences);
    void showLoginItem();
    void showPermission();
    void openAutostartSettings();

    ViewServices m_services;
    UsageNotificationController& m_notifications;
    LoginItemController& m_loginItem;
    SettingsToggleRow* m_launchAtLogin = nullptr;
    QPushButton* m_openSystemSettings = nullptr;
    SettingsStepperRow* m_activeRefresh = nullptr;
    SettingsStepperRow* m_idleRefresh = nullptr;
    SettingsToggleRow* m_usageAlerts = nullptr;
};

} // namespace tallyvane
