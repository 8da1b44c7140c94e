#pragma once

#include "HistoryPoint.h"
#include "ProviderMenuSnapshot.h"
#include "ProviderViewState.h"
#include "UsagePaceTracker.h"

#include <ProviderKit/ProviderAuthenticating.h>
#include <TallyvaneWidgetSupport/WidgetUsageSnapshot.h>
#include <UsageCoordinator/RefreshCoordinator.h>

#include <QHash>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace tallyvane {

class Preferences;
class RefreshStatusQueries;
class UsageNotificationController;

// The one object the interface observes. Runs the refresh loop, refreshes, signs services in
// and out on the user's behalf, and publishes view states, token history and connection
// states. Lives on the main thread; between suspension points its fields change only there,
// and a refresh publishes its results in one step, so observers never see half of one.
class UsageAppModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<tallyvane::ProviderViewState> providers READ providers NOTIFY providersChanged)
    Q_PROPERTY(QList<tallyvane::HistoryPoint> historyPoints READ historyPoints NOTIFY historyPointsChanged)
    Q_PROPERTY(QHash<tallyvane::ProviderService, tallyvane::ProviderConnectionState> connectionStates READ
                   connectionStates NOTIFY connectionStatesChanged)
    Q_PROPERTY(bool isRefreshing READ isRefreshing NOTIFY isRefreshingChanged)
    Q_PROPERTY(std::optional<tallyvane::ProviderService> authenticationAction READ authenticationAction NOTIFY
                   authenticationActionChanged)
    Q_PROPERTY(std::optional<tallyvane::Instant> lastUpdatedAt READ lastUpdatedAt NOTIFY lastUpdatedAtChanged)
    Q_PROPERTY(bool isInteractive READ isInteractive WRITE setInteractive)

public:
    using Clock = std::function<Instant()>;
    using ProviderMap = QHash<ProviderService, std::shared_ptr<TallyvaneProvider>>;

    struct Timing {
        // How often the loop checks whether a refresh is due; the application uses 15 s.
        std::chrono::milliseconds tick{15000};
        double initialBackoff = 30;
        double maximumBackoff = 1800;
        // A widget request this soon after a refresh completed is answered from the published
        // state: status bars poll far more often than the numbers change.
        std::chrono::milliseconds widgetFreshness{60000};
        // The longest a widget request waits for a refresh, leaving half a second of the 10 s a
        // status bar is promised for a busy machine to build and send the answer; the one-shot
        // client gives up at 14 s.
        std::chrono::milliseconds widgetPatience{9500};
    };

    static const QUuid& connectionID(ProviderService service);

    // Every service with a provider in the map is registered, gated by its sign-in, under its
    // fixed connection id, in service order.
    UsageAppModel(std::shared_ptr<ProviderAuthenticating> authentication, const ProviderMap& providers,
                  Clock now, Preferences& preferences, UsageNotificationController& notifications,
                  Timing timing, QObject* parent = nullptr);
    ~UsageAppModel() override;

    const QList<ProviderViewState>& providers() const { return m_providers; }
    const QList<HistoryPoint>& historyPoints() const { return m_historyPoints; }
    const QHash<ProviderService, ProviderConnectionState>& connectionStates() const
    {
        return m_connectionStates;
    }
    bool isRefreshing() const { return m_isRefreshing; }
    std::optional<ProviderService> authenticationAction() const { return m_authenticationAction; }
    std::optional<Instant> lastUpdatedAt() const { return m_lastUpdatedAt; }
    bool isInteractive() const { return m_isInteractive; }
    void setInteractive(bool interactive) { m_isInteractive = interactive; }

    // The state of a service, or "checking" when the model has none yet.
    ProviderConnectionState connectionState(ProviderService service) const;
    QList<ProviderMenuSnapshot> menuSnapshots() const;
    const RefreshCoordinator& coordinator() const { return m_coordinator; }

    // Idempotent: the first call checks notification permission, refreshes and starts the loop.
    QCoro::Task<> start();
    QCoro::Task<> refresh(RefreshTrigger trigger);
    // Nothing while a refresh runs; at once before the first one; otherwise when the interval
    // for the current interactivity has passed since the last refresh.
    QCoro::Task<> refreshIfDue();
    // One sign-in or disconnect at a time; a call while another runs does nothing.
    QCoro::Task<> connect(ProviderService service);
    QCoro::Task<> disconnect(ProviderService service);

    QString diagnosticsReport() const;

    // The widget document. Answered at once from the published state when a refresh completed
    // within the freshness interval; otherwise after a refresh (a widget one started now, or
    // the one already running) or, when that takes longer than the patience, from the state
    // published so far while the refresh goes on.
    QCoro::Task<WidgetUsageSnapshot> widgetSnapshot();

Q_SIGNALS:
    void providersChanged();
    void historyPointsChanged();
    void connectionStatesChanged();
    void isRefreshingChanged();
    void authenticationActionChanged();
    void lastUpdatedAtChanged();

private:
    void setIsRefreshing(bool refreshing);
    void setConnectionState(const ProviderConnectionState& state);
    void setAuthenticationAction(std::optional<ProviderService> service);
    void publish(QList<ProviderViewState> providers);
    // Shows one provider's outcome while the rest of the refresh is still under way.
    void publishEarly(const ProviderRefreshOutcome& outcome);
    QCoro::Task<> takeConnectionState(ProviderService service);
    QHash<ProviderService, ProviderDescriptor> knownDescriptors() const;
    void markSignedOut(ProviderService service);
    double dueInterval() const;
    bool isFreshForWidget() const;
    QCoro::Task<> refreshEnd(std::chrono::milliseconds patience);

    const std::shared_ptr<ProviderAuthenticating> m_authentication;
    // The gates and the refresh ask the sign-in status through this, once per refresh.
    const std::shared_ptr<RefreshStatusQueries> m_statusQueries;
    const Clock m_now;
    Preferences& m_preferences;
    UsageNotificationController& m_notifications;
    RefreshCoordinator m_coordinator;
    UsagePaceTracker m_paceTracker;
    QTimer m_refreshLoop;
    const std::chrono::milliseconds m_widgetFreshness;
    const std::chrono::milliseconds m_widgetPatience;

    QList<ProviderViewState> m_providers;
    QList<HistoryPoint> m_historyPoints;
    QHash<ProviderService, ProviderConnectionState> m_connectionStates;
    bool m_isRefreshing = false;
    std::optional<ProviderService> m_authenticationAction;
    std::optional<Instant> m_lastUpdatedAt;
    std::optional<Instant> m_lastCompletedAt;
    bool m_isInteractive = false;
    bool m_didStart = false;
};

} // namespace tallyvane
