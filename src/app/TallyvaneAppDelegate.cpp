#include "TallyvaneAppDelegate.h"

#include <Dashboard/DashboardWindow.h>
#include <MenuBar/MenuBarController.h>
#include <Onboarding/OnboardingWindowController.h>
#include <Settings/SettingsWindow.h>
#include <TallyvaneUI/UsageAppModel.h>

#include <QApplication>

namespace tallyvane {

TallyvaneAppDelegate::TallyvaneAppDelegate(const ViewServices& services,
                                           UsageNotificationController& notifications, Options options,
                                           QObject* parent)
    : QObject(parent)
    , m_services(services)
    , m_notifications(notifications)
    , m_options(std::move(options))
{
    // The application lives in the tray; closing its windows never ends it.
    QApplication::setQuitOnLastWindowClosed(false);
}

TallyvaneAppDelegate::~TallyvaneAppDelegate()
{
    // The windows and the controllers hold references into one another; drop the windows first.
    m_settings.reset();
    m_dashboard.reset();
}

void TallyvaneAppDelegate::applicationDidFinishLaunching()
{
    if (m_menuBar)
        return;
    m_menuBar = std::make_unique<MenuBarController>(
        m_services, [this] { return dashboardWindow(); }, [this] { return settingsWindow(); });
    m_menuBar->showStatusItem();
    m_onboarding = std::make_unique<OnboardingWindowController>(m_services);
    m_onboarding->showIfNeeded();
    m_widgetLiveServer = std::make_unique<WidgetLiveServer>(m_services.model, m_options.widgetServer);
    m_widgetLiveServer->start();
    if (m_options.dashboardIsMainSurface)
        showDashboard();
}

void TallyvaneAppDelegate::applicationWillTerminate()
{
    if (m_widgetLiveServer)
        m_widgetLiveServer->stop();
    m_widgetLiveServer.reset();
}

void TallyvaneAppDelegate::showDashboard()
{
    if (m_menuBar)
        m_menuBar->openDashboard();
}

QWidget* TallyvaneAppDelegate::dashboardWindow()
{
    if (!m_dashboard)
        m_dashboard = std::make_unique<DashboardWindow>(m_services, [this] { m_menuBar->openSettings(); });
    return m_dashboard.get();
}

QWidget* TallyvaneAppDelegate::settingsWindow()
{
    if (!m_settings)
        m_settings = std::make_unique<SettingsWindow>(m_services, m_notifications, m_loginItem,
                                                      m_options.chooseSaveFile);
    return m_settings.get();
}

} // namespace tallyvane
