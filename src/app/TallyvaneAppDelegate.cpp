#include "TallyvaneAppDelegate.h"

#include <Dashboard/DashboardWindow.h>
#include <MenuBar/MenuBarController.h>
#include <MenuBar/TrayHostWatcher.h>
#include <Onboarding/OnboardingWindowController.h>
#include <Settings/SettingsWindow.h>
#include <TallyvaneUI/UsageAppModel.h>
#include <UsageDomain/Localizable.h>
#include <UsageViews/FocusRing.h>

#include <QApplication>
#include <QCloseEvent>

namespace tallyvane {

TallyvaneAppDelegate::TallyvaneAppDelegate(const ViewServices& services,
                                           UsageNotificationController& notifications, Options options,
                                           QObject* parent)
    : QObject(parent)
    , m_services(services)
    , m_notifications(notifications)
    , m_options(std::move(options))
{
    // The application lives in the tray; closing its windows never ends it (without a tray,
    // closing the dashboard does, through quit()).
    QApplication::setQuitOnLastWindowClosed(false);
    FocusRing::install();
    m_quitAction.setText(localized("Quit Tallyvane"));
    m_quitAction.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    QObject::connect(&m_quitAction, &QAction::triggered, this, &TallyvaneAppDelegate::quit);
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
    m_menuBar->setQuitAction([this] { quit(); });
    m_trayHost = std::make_unique<TrayHostWatcher>();
    const bool trayIsThere = m_trayHost->isAvailable();
    if (trayIsThere)
        m_menuBar->showStatusItem();
    else
        QObject::connect(m_trayHost.get(), &TrayHostWatcher::hostAppeared, m_menuBar.get(),
                         &MenuBarController::showStatusItem);
    m_onboarding = std::make_unique<OnboardingWindowController>(m_services);
    m_onboarding->showIfNeeded();
    m_widgetLiveServer = std::make_unique<WidgetLiveServer>(m_services.model, m_options.widgetServer);
    m_widgetLiveServer->start();
    if (!trayIsThere)
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

void TallyvaneAppDelegate::quit()
{
    if (m_options.quit)
        m_options.quit();
    else
        QCoreApplication::quit();
}

bool TallyvaneAppDelegate::eventFilter(QObject* watched, QEvent* event)
{
    // Without a tray item the dashboard is all there is; once it is closed nothing could
    // bring the application back, so it ends instead of lingering unseen.
    if (event->type() == QEvent::Close && watched == m_dashboard.get() && event->isAccepted() &&
        !(m_menuBar && m_menuBar->statusItem()))
        QMetaObject::invokeMethod(this, &TallyvaneAppDelegate::quit, Qt::QueuedConnection);
    return QObject::eventFilter(watched, event);
}

QWidget* TallyvaneAppDelegate::dashboardWindow()
{
    if (!m_dashboard) {
        m_dashboard = std::make_unique<DashboardWindow>(m_services, [this] { m_menuBar->openSettings(); });
        m_dashboard->addAction(&m_quitAction);
        m_dashboard->installEventFilter(this);
    }
    return m_dashboard.get();
}

QWidget* TallyvaneAppDelegate::settingsWindow()
{
    if (!m_settings) {
        m_settings = std::make_unique<SettingsWindow>(m_services, m_notifications, m_loginItem,
                                                      m_options.chooseSaveFile);
        m_settings->addAction(&m_quitAction);
    }
    return m_settings.get();
}

} // namespace tallyvane
