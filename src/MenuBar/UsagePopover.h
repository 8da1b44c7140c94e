#pragma once

#include <ProviderKit/ProviderService.h>
#include <UsageViews/ViewServices.h>

#include <QGuiApplication>
#include <QHash>
#include <QWidget>

#include <functional>

class QLabel;
class QVBoxLayout;

namespace tallyvane {

class CompactProviderCard;

// The window that opens from the tray icon: the refresh state, one card per shown service and
// the ways to the dashboard, the settings and quitting. It closes on Escape, on a click elsewhere
// and when another window takes the focus; it opens and closes without animation.
class UsagePopover : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize contentSize{360, 560};

    // Where clients may place their windows, a frameless popup next to the tray item. On
    // Wayland, where they may not, a small ordinary window titled "Tallyvane".
    enum class Kind { popup, ordinaryWindow };
    static Kind kindFor(const QString& platformName);
    static bool isOrdinaryWindow(const QString& platformName)
    {
        return kindFor(platformName) == Kind::ordinaryWindow;
    }

    explicit UsagePopover(const ViewServices& services, Kind kind = kindFor(QGuiApplication::platformName()),
                          QWidget* parent = nullptr);

    // The cards in display order.
    QList<CompactProviderCard*> cards() const;
    bool showsNoProvidersNotice() const;
    // Replaces QCoreApplication::quit for "Quit Tallyvane".
    void setQuitAction(std::function<void()> quit) { m_quit = std::move(quit); }

Q_SIGNALS:
    void openDashboardRequested();
    void openSettingsRequested();
    void visibilityChanged(bool visible);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* makeHeader();
    QWidget* makeNoProvidersNotice();
    QWidget* makeFooter();
    void rebuildCards();

    const ViewServices m_services;
    QVBoxLayout* m_cardLayout = nullptr;
    QWidget* m_noProviders = nullptr;
    QWidget* m_footer = nullptr;
    QHash<ProviderService, CompactProviderCard*> m_cards;
    std::function<void()> m_quit;
};

} // namespace tallyvane
