#pragma once

#include <TallyvaneUI/LoginItemController.h>
#include <TallyvaneUI/WidgetLiveServer.h>
#include <UsageViews/ViewServices.h>

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

namespace tallyvane {

class DashboardWindow;
class MenuBarController;
class OnboardingWindowController;
class Preferences;
class SettingsWindow;
class UsageAppModel;
class UsageNotificationController;

// Brings the application up around an existing model: at launch completion the menu-bar
// controller, the onboarding controller and the widget live server, in that order; at
// termination the server stops listening. Owns the two secondary windows, created on first use.
class TallyvaneAppDelegate : public QObject {
    Q_OBJECT
public:
    struct Options {
        WidgetLiveServer::Limits widgetServer;
        // Where the desktop has no tray, the dashboard is the main surface.
        bool dashboardIsMainSurface = false;
        std::function<QString(QWidget*, const QString&)> chooseSaveFile;
    };

    TallyvaneAppDelegate(const ViewServices& services, UsageNotificationController& notifications,
                         Options options, QObject* parent = nullptr);
    ~TallyvaneAppDelegate() override;

    // Idempotent; the parts exist from then on.
    void applicationDidFinishLaunching();
    void applicationWillTerminate();

    // For a second launch of the application and for desktops without a tray.
    void showDashboard();

    MenuBarController* menuBar() const { return m_menuBar.get(); }
    OnboardingWindowController* onboarding() const { return m_onboarding.get(); }
    WidgetLiveServer* widgetLiveServer() const { return m_widgetLiveServer.get(); }

private:
    QWidget* dashboardWindow();
    QWidget* settingsWindow();

    ViewServices m_services;
    UsageNotificationController& m_notifications;
    Options m_options;
    LoginItemController m_loginItem;
    std::unique_ptr<MenuBarController> m_menuBar;
    std::unique_ptr<OnboardingWindowController> m_onboarding;
    std::unique_ptr<WidgetLiveServer> m_widgetLiveServer;
    std::unique_ptr<DashboardWindow> m_dashboard;
    std::unique_ptr<SettingsWindow> m_settings;
};

} // namespace tallyvane
