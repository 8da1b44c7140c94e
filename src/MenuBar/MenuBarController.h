#pragma once

#include "StatusIconContent.h"
#include "UsagePopover.h"

#include <UsagePresentation/MenuBarProjection.h>
#include <UsageViews/ViewServices.h>

#include <QElapsedTimer>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

namespace tallyvane {

// Owns the tray icon and the popover and keeps the icon current: it redraws only when the
// projection changed, however often the model, the preferences or the minute tick ask.
// Also decides whether the user is looking at the application, which picks the model's
// refresh interval.
class MenuBarController : public QObject {
    Q_OBJECT
public:
    // Creates one of the secondary windows; called once, the window is reused afterwards. The
    // factory's owner keeps ownership of the window (it may delete it; it is then made anew).
    using WindowFactory = std::function<QWidget*()>;

    MenuBarController(const ViewServices& services, WindowFactory dashboard, WindowFactory settings,
                      QObject* parent = nullptr);
    ~MenuBarController() override;

    // Absent until a tray host is there to show it (showStatusItem).
    QSystemTrayIcon* statusItem() const { return m_statusItem.get(); }
    // Creates and shows the tray item with the current icon, tooltip and menu; idempotent. Qt
    // picks its tray backend when the item is made, so only call this once a host exists.
    void showStatusItem();
    // The tray item's menu; hosts show it on a right click, some on any click.
    QMenu& trayMenu() { return m_menu; }
    const QIcon& icon() const { return m_icon; }
    const QString& toolTip() const { return m_toolTip; }
    const StatusIconContent& renderedContent() const { return m_renderedContent; }
    // Built on first use.
    UsagePopover& popover();
    bool popoverIsShown() const;
    const std::optional<MenuBarProjection>& renderedProjection() const { return m_renderedProjection; }
    // The spoken description of the item; tray hosts read the tooltip, which carries the text.
    const QString& accessibilityLabel() const { return m_accessibilityLabel; }
    int redrawCount() const { return m_redrawCount; }
    // Replaces QCoreApplication::quit for "Quit Tallyvane" in the popover and the menu.
    void setQuitAction(std::function<void()> quit);

public Q_SLOTS:
    void updateStatusItem();
    void togglePopover();
    // Opens the popover (leaves it open when it is).
    void showUsage();
    void openDashboard();
    void openSettings();

Q_SIGNALS:
    void statusItemRedrawn();

private:
    void updateInteractivity();
    void closePopover();
    void bringToFront(QPointer<QWidget>& window, const WindowFactory& factory);
    void updateToolTip(const MenuBarConfiguration& configuration);
    QRect popoverFrame() const;

    ViewServices m_services;
    WindowFactory m_dashboardFactory;
    WindowFactory m_settingsFactory;
    std::unique_ptr<QSystemTrayIcon> m_statusItem;
    QMenu m_menu;
    QIcon m_icon;
    QString m_toolTip;
    StatusIconContent m_renderedContent;
    std::unique_ptr<UsagePopover> m_popover;
    QTimer m_countdownTick;
    QPointer<QWidget> m_dashboardWindow;
    QPointer<QWidget> m_settingsWindow;
    std::optional<MenuBarProjection> m_renderedProjection;
    QString m_accessibilityLabel;
    int m_redrawCount = 0;
    QElapsedTimer m_popoverClosed;
    std::function<void()> m_quit;
};

} // namespace tallyvane
