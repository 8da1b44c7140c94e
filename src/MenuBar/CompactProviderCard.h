#pragma once

#include <UsageViews/SymbolIcon.h>

#include <TallyvaneUI/ProviderViewState.h>
#include <UsageViews/SurfaceCard.h>
#include <UsageViews/ViewServices.h>

#include <QTimer>

#include <optional>

class QLabel;

namespace tallyvane {

class UsageForecastLabel;
class UsageMeter;

// One service in the popover: its mark, name and connection badge, and the used share of the
// window the menu bar is set to, whether it lasts at this pace, what remains and when it resets. Without
// usable data it says so, or offers the connection button when the service needs signing in.
class CompactProviderCard : public SurfaceCard {
    Q_OBJECT
public:
    CompactProviderCard(const ViewServices& services, ProviderService service, QWidget* parent = nullptr);

    ProviderService service() const { return m_service; }
    void setState(const ProviderViewState& state);

private:
    QWidget* makeUsagePage();
    QWidget* makeMessagePage(const QString& symbol, const SymbolIcon::Ink& ink, QLabel*& text,
                             QWidget* extra);
    void refresh();
    void showPage(QWidget* page);
    void refreshCountdown();

    const ViewServices m_services;
    const ProviderService m_service;
    std::optional<ProviderViewState> m_state;
    std::optional<UsageWindowSample> m_window;
    QTimer m_minuteTick;

    QWidget* m_usagePage = nullptr;
    QWidget* m_unavailablePage = nullptr;
    QWidget* m_signInPage = nullptr;
    QLabel* m_usedPercent = nullptr;
    UsageMeter* m_meter = nullptr;
    UsageForecastLabel* m_forecast = nullptr;
    QLabel* m_remaining = nullptr;
    QLabel* m_windowName = nullptr;
    QLabel* m_countdown = nullptr;
    QLabel* m_unavailableText = nullptr;
    QLabel* m_signInText = nullptr;
};

} // namespace tallyvane
