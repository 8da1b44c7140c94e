#pragma once

#include <TallyvaneUI/ProviderViewState.h>
#include <UsageViews/SurfaceCard.h>
#include <UsageViews/ViewServices.h>

#include <QList>

class QLabel;
class QVBoxLayout;

namespace tallyvane {

class CountdownTimeline;
class MetricTile;
class ProviderConnectionButton;
class UsageRing;
class WindowRow;

// Everything the dashboard knows about one provider: its main window as a ring with figures
// and a countdown, a row per further window, or the reason there is nothing to show.
class ProviderDashboardCard : public SurfaceCard {
    Q_OBJECT
public:
    enum class Content { usage, signIn, backoff, unavailable };

    ProviderDashboardCard(const ViewServices& services, ProviderService service, QWidget* parent = nullptr);

    ProviderService service() const { return m_service; }
    void setState(const ProviderViewState& state, Instant now);
    // Advances the relative times without a new state.
    void setNow(Instant now);

    static Content contentFor(const ProviderViewState& state);
    Content content() const { return m_content; }

private:
    QWidget* makeUsagePanel();
    QWidget* makeNoticePanel();
    void showUsage(Instant now);
    void showNotice(const QString& symbol, const QString& title, const QString& message);

    const ViewServices m_services;
    const ProviderService m_service;
    ProviderViewState m_state;
    Content m_content = Content::unavailable;

    QLabel* m_name;
    QWidget* m_usagePanel;
    UsageRing* m_ring;
    MetricTile* m_remaining;
    MetricTile* m_window;
    MetricTile* m_resets;
    CountdownTimeline* m_timeline;
    QWidget* m_rowsSeparator;
    QVBoxLayout* m_rowsLayout;
    QList<WindowRow*> m_rows;
    QLabel* m_problems;

    QWidget* m_noticePanel;
    QLabel* m_noticeSymbol;
    QLabel* m_noticeTitle;
    QLabel* m_noticeMessage;
    ProviderConnectionButton* m_connectionButton;
};

} // namespace tallyvane
