#pragma once

#include <TallyvaneUI/LoginItemController.h>
#include <TallyvaneUI/WidgetLiveServer.h>
#include <UsageViews/ViewServices.h>

#include <QAction>
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
class TrayHostWatcher;
class UsageAppModel;
class UsageNotificationController;

// Brings the application up around an existing model: at launch completion the menu-bar
// controller, the onboarding controller and the widget live server, in that order; at
// termination the server stops listening. Owns the two secondary windows, created on first use.
// Where no tray host is there, the dashboard is the main window: it opens at launch and closing
// it quits; a host that appears later gets the tray item then.
class TallyvaneAppDelegate : public QObject {
    Q_OBJECT
public:
    struct Options {
        WidgetLiveServer::Limits widgetServer;
        std::function<QString(QWidget*, const QString&)> chooseSaveFile;
        // Ends the application; QCoreApplication::quit when empty.
        std::function<void()> quit;
    };

    TallyvaneAppDelegate(const ViewServices& services, UsageNotificationController& notifications,
                         Options options, QObject* parent = nullptr);
    ~TallyvaneAppDelegate() override;

    // Idempotent; the parts exist from then on.
    void applicationDidFinishLaunching();
    void applicationWillTerminate();

    // For a second launch of the application and for desktops without a tray.
    void showDashboard();
    // The one way out: the menus, Ctrl+Q, closing the main window and the session's signals.
    void quit();

    MenuBarController* menuBar() const { return m_menuBar.get(); }
    OnboardingWindowController* onboarding() const { return m_onboarding.get(); }
    WidgetLiveServer* widgetLiveServer() const { return m_widgetLiveServer.get(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* dashboardWindow();
    QWidget* settingsWindow();

    ViewServices m_services;
    UsageNotificationController& m_notifications;
    Options m_options;
    LoginItemController m_loginItem;
    QAction m_quitAction;
    std::unique_ptr<TrayHostWatcher> m_trayHost;
    std::unique_ptr<MenuBarController> m_menuBar;
    std::unique_ptr<OnboardingWindowController> m_onboarding;
    std::unique_ptr<WidgetLiveServer> m_widgetLiveServer;
    std::unique_ptr<DashboardWindow> m_dashboard;
    std::unique_ptr<SettingsWindow> m_settings;
};

} // namespace tallyvane
