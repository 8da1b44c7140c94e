#pragma once

#include <UsageViews/ViewServices.h>

#include <QTimer>
#include <QWidget>

#include <functional>

class QToolButton;
class QVBoxLayout;

namespace tallyvane {

class AllWindowsTable;
class ProviderDashboardCard;
class TokenActivityChart;

// The dashboard's content, top to bottom: the header with the refresh state and controls, one
// card per provider, the token chart and the table of every window. Redraws whenever the
// model publishes, and once a minute so that countdowns advance.
class DashboardView : public QWidget {
    Q_OBJECT
public:
    DashboardView(const ViewServices& services, std::function<void()> openSettings,
                  QWidget* parent = nullptr);

    const QList<ProviderDashboardCard*>& cards() const { return m_cards; }
    TokenActivityChart* chart() const { return m_chart; }
    AllWindowsTable* table() const { return m_table; }

    // What the minute timer does: rewrite every relative time against the clock.
    void advanceClock();

private:
    QLayout* makeHeader();
    QWidget* makeSection(const QString& title, const QString& subtitle, QWidget* content);
    void showProviders();

    const ViewServices m_services;
    const std::function<void()> m_openSettings;
    QVBoxLayout* m_cardsLayout;
    QList<ProviderDashboardCard*> m_cards;
    TokenActivityChart* m_chart;
    AllWindowsTable* m_table;
    QTimer m_minute;
};

} // namespace tallyvane
