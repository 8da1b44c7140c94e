#include "MenuBarController.h"

#include "StatusIconPainter.h"
#include "StatusItemActivation.h"
#include "StatusToolTip.h"

#include <TallyvaneUI/MenuBarSettings.h>
#include <TallyvaneUI/Preferences.h>
#include <TallyvaneUI/UsageAppModel.h>
#include <UsageDomain/Localizable.h>
#include <UsageViews/SymbolIcon.h>
#include <UsageViews/WindowPlacement.h>

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QStringList>

#include <chrono>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {
namespace {

constexpr int popoverGap = 4;

bool applicationIsActive()
{
    return QGuiApplication::applicationState() == Qt::ApplicationActive;
}

} // namespace

MenuBarController::MenuBarController(const ViewServices& services, WindowFactory dashboard,
                                     WindowFactory settings, QObject* parent)
    : QObject(parent)
    , m_services(services)
    , m_dashboardFactory(std::move(dashboard))
    , m_settingsFactory(std::move(settings))
    , m_quit([] { QCoreApplication::quit(); })
{
    UsageAppModel& model = m_services.model;
    for (const auto signal :
         {&UsageAppModel::providersChanged, &UsageAppModel::historyPointsChanged,
          &UsageAppModel::connectionStatesChanged, &UsageAppModel::isRefreshingChanged,
          &UsageAppModel::authenticationActionChanged, &UsageAppModel::lastUpdatedAtChanged})
        QObject::connect(&model, signal, this, &MenuBarController::updateStatusItem);
    QObject::connect(&m_services.preferences, &Preferences::changed, this, [this](const QString& key) {
        if (key.startsWith("menu."_L1))
            updateStatusItem();
    });
    // Reset times are written as clock times, so only the tick notices that one moved on.
    m_countdownTick.setInterval(std::chrono::minutes(1));
    QObject::connect(&m_countdownTick, &QTimer::timeout, this, &MenuBarController::updateStatusItem);
    m_countdownTick.start();

    QObject::connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
                     &MenuBarController::updateInteractivity);

    // Some hosts open the menu on any click, so it leads to the popover as well.
    m_menu.addAction(localized("Show Usage"), this, &MenuBarController::showUsage);
    m_menu.addAction(SymbolIcon::named(u"arrow.clockwise"_s), localized("Refresh Now"), this,
                     [this] { m_services.model.refresh(RefreshTrigger::manual); });
    m_menu.addSeparator();
    m_menu.addAction(localized("Open Dashboard"), this, &MenuBarController::openDashboard);
    m_menu.addAction(SymbolIcon::named(u"gearshape"_s), localized("Settings…"), this,
                     &MenuBarController::openSettings);
    m_menu.addSeparator();
    m_menu.addAction(SymbolIcon::named(u"power"_s), localized("Quit Tallyvane"), this, [this] { m_quit(); });

    updateStatusItem();
    model.start();
}

MenuBarController::~MenuBarController() = default;

void MenuBarController::showStatusItem()
{
    if (m_statusItem)
        return;
    m_statusItem = std::make_unique<QSystemTrayIcon>(m_icon);
    m_statusItem->setToolTip(m_toolTip);
    m_statusItem->setContextMenu(&m_menu);
    QObject::connect(m_statusItem.get(), &QSystemTrayIcon::activated, this,
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         // A click on the icon while the popover is open first closes the popup
                         // as an outside click; it must not open it again at once.
                         const bool justClosed = m_popoverClosed.isValid() && m_popoverClosed.elapsed() < 300;
                         if (reason == QSystemTrayIcon::Trigger && !justClosed)
                             togglePopover();
                     });
    StatusItemActivation::watch();
    m_statusItem->show();
}

void MenuBarController::setQuitAction(std::function<void()> quit)
{
    m_quit = std::move(quit);
}

void MenuBarController::updateStatusItem()
{
    const QList<ProviderMenuSnapshot> snapshots = m_services.model.menuSnapshots();
    const MenuBarConfiguration configuration = MenuBarSettings::read(m_services.preferences);
    MenuBarProjection projection =
        MenuBarProjection::project(snapshots, configuration, MenuBarSettings::resetTimeFormat());
    const bool awaitingData =
        !m_services.model.lastUpdatedAt() && !configuration.enabledProviderIDs.isEmpty();
    StatusIconContent content = awaitingData ? StatusIconContent::pending()
                                             : StatusIconContent::from(projection, snapshots, configuration);
    // The tooltip names the day of a reset, so it may change while the projection does not.
    updateToolTip(configuration);
    if (projection == m_renderedProjection && content == m_renderedContent && !m_icon.isNull())
        return;

    m_icon = StatusIconPainter::icon(content);
    if (m_statusItem)
        m_statusItem->setIcon(m_icon);
    m_accessibilityLabel = projection.accessibilityLabel;
    m_renderedProjection = std::move(projection);
    m_renderedContent = std::move(content);
    ++m_redrawCount;
    Q_EMIT statusItemRedrawn();
}

void MenuBarController::updateToolTip(const MenuBarConfiguration& configuration)
{
    QString toolTip = m_services.model.lastUpdatedAt()
                          ? StatusToolTip::text(m_services.model.providers(), configuration, m_services.now())
                          : localized("Awaiting data");
    if (toolTip == m_toolTip)
        return;
    m_toolTip = std::move(toolTip);
    if (m_statusItem)
        m_statusItem->setToolTip(m_toolTip);
}

UsagePopover& MenuBarController::popover()
{
    // Built when first opened: most of the time the application only shows its tray icon.
    if (!m_popover) {
        m_popover = std::make_unique<UsagePopover>(m_services);
        QObject::connect(m_popover.get(), &UsagePopover::visibilityChanged, this, [this](bool visible) {
            if (!visible)
                m_popoverClosed.start();
            updateInteractivity();
        });
        QObject::connect(m_popover.get(), &UsagePopover::openDashboardRequested, this,
                         &MenuBarController::openDashboard);
        QObject::connect(m_popover.get(), &UsagePopover::openSettingsRequested, this,
                         &MenuBarController::openSettings);
        m_popover->setQuitAction([this] { m_quit(); });
    }
    return *m_popover;
}

bool MenuBarController::popoverIsShown() const
{
    return m_popover && m_popover->isVisible();
}

void MenuBarController::closePopover()
{
    if (m_popover)
        m_popover->close();
}

void MenuBarController::updateInteractivity()
{
    m_services.model.setInteractive(popoverIsShown() || applicationIsActive());
}

void MenuBarController::togglePopover()
{
    if (popoverIsShown())
        closePopover();
    else
        showUsage();
}

void MenuBarController::showUsage()
{
    UsagePopover& shown = popover();
    // A window manager on Wayland places windows itself; there the popover is an ordinary window.
    if (!shown.isVisible() && !UsagePopover::isOrdinaryWindow(QGuiApplication::platformName()))
        WindowPlacement::apply(shown, popoverFrame());
    shown.show();
    shown.raise();
    shown.activateWindow();
    // After the popover is up, so that opening it never waits for the refresh check.
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_services.model.setInteractive(true);
            m_services.model.refreshIfDue();
        },
        Qt::QueuedConnection);
}

QRect MenuBarController::popoverFrame() const
{
    // The tray item's own rectangle where the host tells it (XEmbed), else the point the host
    // says it was activated at, else the pointer, which has just clicked the item.
    QRect anchor = m_statusItem ? m_statusItem->geometry() : QRect();
    if (anchor.isEmpty())
        anchor = QRect(StatusItemActivation::take().value_or(QCursor::pos()), QSize(1, 1));
    return WindowPlacement::beside(anchor, m_popover->frameGeometry().size(),
                                   WindowPlacement::availableBeside(anchor), popoverGap);
}

void MenuBarController::openDashboard()
{
    closePopover();
    bringToFront(m_dashboardWindow, m_dashboardFactory);
}

void MenuBarController::openSettings()
{
    closePopover();
    bringToFront(m_settingsWindow, m_settingsFactory);
}

void MenuBarController::bringToFront(QPointer<QWidget>& window, const WindowFactory& factory)
{
    if (!window && factory)
        window = factory();
    if (!window)
        return;
    const bool placing = !window->isVisible();
    if (placing)
        WindowPlacement::centre(*window);
    window->show();
    if (placing)
        WindowPlacement::keepInside(*window);
    window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->raise();
    window->activateWindow();
}

} // namespace tallyvane
