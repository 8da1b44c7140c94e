#pragma once

#include <ProviderKit/ProviderService.h>
#include <UsageViews/ViewServices.h>

#include <QHash>
#include <QWidget>

#include <functional>

class QLabel;
class QVBoxLayout;

namespace tallyvane {

class CompactProviderCard;

// The window that opens from the tray icon: the refresh state, one card per shown service and
// the ways to the dashboard, the settings and quitting. A frameless popup that closes when the
// user clicks elsewhere; it opens and closes without animation.
class UsagePopover : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize contentSize{360, 560};

    explicit UsagePopover(const ViewServices& services, QWidget* parent = nullptr);

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
