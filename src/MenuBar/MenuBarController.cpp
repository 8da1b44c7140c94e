#include "MenuBarController.h"

#include "StatusIconPainter.h"
#include "StatusItemActivation.h"

#include <TallyvaneUI/MenuBarSettings.h>
#include <TallyvaneUI/Preferences.h>
#include <TallyvaneUI/UsageAppModel.h>
#include <UsageDomain/Localizable.h>
#include <UsageViews/Appearance.h>
#include <UsageViews/SymbolIcon.h>
#include <UsageViews/WindowPlacement.h>

#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
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

    m_menu.addAction(localized("Open Dashboard"), this, &MenuBarController::openDashboard);
    m_menu.addAction(SymbolIcon::named(u"gearshape"_s), localized("Settings"), this,
                     &MenuBarController::openSettings);
    m_menu.addSeparator();
    m_menu.addAction(SymbolIcon::named(u"power"_s), localized("Quit Tallyvane"), this, [this] { m_quit(); });
    m_statusItem.setContextMenu(&m_menu);
    QObject::connect(&m_statusItem, &QSystemTrayIcon::activated, this,
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         // A click on the icon while the popover is open first closes the popup
                         // as an outside click; it must not open it again at once.
                         const bool justClosed = m_popoverClosed.isValid() && m_popoverClosed.elapsed() < 300;
                         if (reason == QSystemTrayIcon::Trigger && !justClosed)
                             togglePopover();
                     });
    qApp->installEventFilter(this);
    StatusItemActivation::watch();

    updateStatusItem();
    m_statusItem.show();
    model.start();
}

MenuBarController::~MenuBarController() = default;

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
    if (projection == m_renderedProjection && !m_statusItem.icon().isNull())
        return;

    const StatusIconContent content = StatusIconContent::from(projection, snapshots, configuration);
    m_statusItem.setIcon(StatusIconPainter::icon(content, Appearance::isDark(QGuiApplication::palette())));
    m_statusItem.setToolTip(toolTip(projection));
    m_accessibilityLabel = projection.accessibilityLabel;
    m_renderedProjection = std::move(projection);
    ++m_redrawCount;
    Q_EMIT statusItemRedrawn();
}

QString MenuBarController::toolTip(const MenuBarProjection& projection) const
{
    // Tray hosts show the tooltip as the item's text and read it out, so it names each
    // provider; with icons only the entries carry no text and the spoken form says it all.
    QStringList lines;
    for (const MenuBarProjection::Entry& entry : projection.entries) {
        if (entry.text.isEmpty())
            return projection.accessibilityLabel;
        lines.append(entry.text.startsWith(entry.displayName) ? entry.text
                                                              : entry.displayName + u' ' + entry.text);
    }
    return lines.isEmpty() ? projection.accessibilityLabel : lines.join(u'\n');
}

bool MenuBarController::eventFilter(QObject* watched, QEvent* event)
{
    // The icon is drawn for the panel's darkness, so a new palette needs a new drawing.
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange) {
        m_renderedProjection.reset();
        updateStatusItem();
    }
    return QObject::eventFilter(watched, event);
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
    if (popoverIsShown()) {
        closePopover();
        return;
    }
    UsagePopover& shown = popover();
    // A window manager on Wayland places windows itself; there the popover is an ordinary window.
    if (!UsagePopover::isOrdinaryWindow(QGuiApplication::platformName()))
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
    QRect anchor = m_statusItem.geometry();
    if (anchor.isEmpty())
        anchor = QRect(StatusItemActivation::take().value_or(QCursor::pos()), QSize(1, 1));
    return WindowPlacement::beside(anchor, m_popover->frameGeometry().size(),
                                   WindowPlacement::availableAround(anchor.center()), popoverGap);
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
