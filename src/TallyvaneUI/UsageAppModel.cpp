#include "UsageAppModel.h"

#include "AuthenticationGatedProvider.h"
#include "DiagnosticsReport.h"
#include "Preferences.h"
#include "ProviderStateAssembler.h"
#include "RefreshStatusQueries.h"
#include "UsageNotifications.h"
#include "WidgetSnapshotBuilder.h"

#include <UsageDomain/Localizable.h>
#include <UsageDomain/SignalWait.h>

#include <QCoroTask>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {

QList<ProviderRegistration> registrationsFor(const UsageAppModel::ProviderMap& providers,
                                             const std::shared_ptr<ProviderAuthenticating>& authentication)
{
    QList<ProviderRegistration> registrations;
    for (ProviderService service : allCases<ProviderService>()) {
        if (const auto provider = providers.value(service))
            registrations.append(
                {UsageAppModel::connectionID(service),
                 std::make_shared<AuthenticationGatedProvider>(service, provider, authentication)});
    }
    return registrations;
}

ProviderConnectionState checking(ProviderService service)
{
    return {service, ProviderConnectionStatus::checking, localized("Checking sign-in")};
}

} // namespace

const QUuid& UsageAppModel::connectionID(ProviderService service)
{
    static const QUuid codex = QUuid::fromString(u"A115A6E0-337E-4F26-9809-6B2E75C39D01"_s);
    static const QUuid claude = QUuid::fromString(u"A115A6E0-337E-4F26-9809-6B2E75C39D02"_s);
    return service == ProviderService::codex ? codex : claude;
}

UsageAppModel::UsageAppModel(std::shared_ptr<ProviderAuthenticating> authentication,
                             const ProviderMap& providers, Clock now, Preferences& preferences,
                             UsageNotificationController& notifications, Timing timing, QObject* parent)
    : QObject(parent)
    , m_authentication(std::move(authentication))
    , m_statusQueries(std::make_shared<RefreshStatusQueries>(m_authentication))
    , m_now(std::move(now))
    , m_preferences(preferences)
    , m_notifications(notifications)
    , m_coordinator(registrationsFor(providers, m_statusQueries), m_now,
                    RefreshBackoffPolicy{timing.initialBackoff, timing.maximumBackoff})
    , m_widgetFreshness(timing.widgetFreshness)
    , m_widgetPatience(timing.widgetPatience)
{
    for (ProviderService service : allCases<ProviderService>())
        m_connectionStates.insert(service, checking(service));
    // A coarse timer: the loop only needs to notice within a tick that a refresh is due, and
    // coarse timers let the system batch the wake-ups.
    m_refreshLoop.setInterval(timing.tick);
    m_refreshLoop.setTimerType(Qt::VeryCoarseTimer);
    QObject::connect(&m_refreshLoop, &QTimer::timeout, this, [this] { refreshIfDue(); });
    m_coordinator.setOutcomeObserver(
        [this](const ProviderRefreshOutcome& outcome) { publishEarly(outcome); });
}

UsageAppModel::~UsageAppModel() = default;

ProviderConnectionState UsageAppModel::connectionState(ProviderService service) const
{
    return m_connectionStates.value(service, checking(service));
}

QList<ProviderMenuSnapshot> UsageAppModel::menuSnapshots() const
{
    return ProviderStateAssembler::menuSnapshots(m_providers);
}

QCoro::Task<> UsageAppModel::start()
{
    if (m_didStart)
        co_return;
    m_didStart = true;
    co_await m_notifications.refreshPermission();
    co_await refresh(RefreshTrigger::manual);
    m_refreshLoop.start();
}

QCoro::Task<> UsageAppModel::refresh(RefreshTrigger trigger)
{
    setIsRefreshing(true);

    // Both status queries run at once, and each service's collection waits only for its own
    // answer (the gates share these queries): a slow keyring holds Claude, never Codex.
    m_statusQueries->beginRefresh();
    QCoro::Task<> codexStatus = takeConnectionState(ProviderService::codex);
    QCoro::Task<> claudeStatus = takeConnectionState(ProviderService::claude);
    QCoro::Task<RefreshSummary> refreshing = m_coordinator.refresh(trigger);
    const RefreshSummary summary = co_await refreshing;
    // A provider skipped for backoff was not gated, so its answer may still be on its way.
    co_await codexStatus;
    co_await claudeStatus;

    // From here to the notifications nothing suspends: observers see the whole refresh at once.
    QList<ProviderStateAssembler::SkippedProvider> skipped;
    for (const QString& id : summary.skippedProviderIDs)
        skipped.append({id, m_coordinator.nextAutomaticRefreshAt(id)});
    publish(ProviderStateAssembler::assemble(summary.outcomes, skipped, knownDescriptors(), m_now(),
                                             m_connectionStates));
    m_lastUpdatedAt = summary.startedAt;
    m_lastCompletedAt = m_now();
    Q_EMIT lastUpdatedAtChanged();

    co_await m_notifications.evaluate(m_providers, m_now());
    setIsRefreshing(false);
}

QCoro::Task<> UsageAppModel::takeConnectionState(ProviderService service)
{
    // A sign-in or disconnect under way keeps its own state.
    const ProviderConnectionState state = co_await m_statusQueries->status(service);
    if (m_authenticationAction != service)
        setConnectionState(state);
}

QHash<ProviderService, ProviderDescriptor> UsageAppModel::knownDescriptors() const
{
    QHash<ProviderService, ProviderDescriptor> known;
    for (const ProviderViewState& state : m_providers)
        known.insert(state.service, state.descriptor);
    return known;
}

void UsageAppModel::publishEarly(const ProviderRefreshOutcome& outcome)
{
    const QList<ProviderViewState> arrived =
        ProviderStateAssembler::assemble({outcome}, {}, knownDescriptors(), m_now(), m_connectionStates);
    QList<ProviderViewState> providers = m_providers;
    for (const ProviderViewState& state : arrived) {
        providers.removeIf([&state](const ProviderViewState& old) { return old.service == state.service; });
        providers.append(state);
    }
    std::stable_sort(providers.begin(), providers.end(), [](const auto& left, const auto& right) {
        return sortOrder(left.service) < sortOrder(right.service);
    });
    publish(std::move(providers));
}

QCoro::Task<> UsageAppModel::refreshIfDue()
{
    if (m_isRefreshing)
        co_return;
    if (!m_lastUpdatedAt || m_now().secondsSince(*m_lastUpdatedAt) >= dueInterval())
        co_await refresh(RefreshTrigger::scheduled);
}

double UsageAppModel::dueInterval() const
{
    // Read at every check, so a changed setting applies at the next tick.
    return m_isInteractive ? m_preferences.activeRefreshInterval() : m_preferences.idleRefreshInterval();
}

QCoro::Task<> UsageAppModel::connect(ProviderService service)
{
    if (m_authenticationAction)
        co_return;
    setAuthenticationAction(service);
    setConnectionState(
        {service, ProviderConnectionStatus::connecting, localized("Complete sign-in in your browser")});

    QCoro::Task<ProviderConnectionState> signingIn = m_authentication->login(service);
    const ProviderConnectionState state = co_await signingIn;
    setConnectionState(state);
    setAuthenticationAction(std::nullopt);
    if (state.status == ProviderConnectionStatus::signedIn)
        co_await refresh(RefreshTrigger::manual);
    else
        markSignedOut(service);
}

QCoro::Task<> UsageAppModel::disconnect(ProviderService service)
{
    if (m_authenticationAction)
        co_return;
    setAuthenticationAction(service);
    setConnectionState(
        {service, ProviderConnectionStatus::disconnecting, localized("Disconnecting from Tallyvane")});
    markSignedOut(service);

    QCoro::Task<ProviderConnectionState> disconnecting = m_authentication->disconnect(service);
    const ProviderConnectionState state = co_await disconnecting;
    setConnectionState(state);
    setAuthenticationAction(std::nullopt);
}

QString UsageAppModel::diagnosticsReport() const
{
    return DiagnosticsReport::make(m_providers, m_connectionStates, m_now(),
                                   DiagnosticsReport::applicationVersion(),
                                   DiagnosticsReport::applicationBuild(), DiagnosticsReport::systemText());
}

QCoro::Task<WidgetUsageSnapshot> UsageAppModel::widgetSnapshot()
{
    if (!isFreshForWidget()) {
        // Not awaited: a refresh that outlasts the patience still publishes when it ends.
        if (!m_isRefreshing)
            refresh(RefreshTrigger::widget);
        co_await refreshEnd(m_widgetPatience);
    }
    WidgetUsageSnapshot snapshot =
        WidgetSnapshotBuilder::snapshot(m_lastUpdatedAt.value_or(m_now()), m_providers, m_connectionStates);
    co_return snapshot;
}

bool UsageAppModel::isFreshForWidget() const
{
    if (!m_lastCompletedAt)
        return false;
    // A clock set back is not taken for freshness.
    const double elapsed = m_now().secondsSince(*m_lastCompletedAt);
    return elapsed >= 0 && elapsed < std::chrono::duration<double>(m_widgetFreshness).count();
}

QCoro::Task<> UsageAppModel::refreshEnd(std::chrono::milliseconds patience)
{
    if (!m_isRefreshing)
        co_return;
    // Woken by the flag's change rather than by polling it, so the answer leaves as soon as the
    // refresh has published. A model that goes away takes the wait along.
    co_await SignalWait::until(this, this, &UsageAppModel::isRefreshingChanged, patience,
                               [this] { return !m_isRefreshing; });
}

void UsageAppModel::markSignedOut(ProviderService service)
{
    QList<ProviderViewState> providers = m_providers;
    for (ProviderViewState& state : providers) {
        if (state.service == service) {
            m_notifications.forgetProvider(state.id());
            state = ProviderStateAssembler::signedOutState(state);
        }
    }
    publish(std::move(providers));
}

void UsageAppModel::publish(QList<ProviderViewState> providers)
{
    m_paceTracker.track(providers, m_now());
    m_providers = std::move(providers);
    m_historyPoints = ProviderStateAssembler::history(m_providers);
    Q_EMIT providersChanged();
    Q_EMIT historyPointsChanged();
}

void UsageAppModel::setIsRefreshing(bool refreshing)
{
    if (m_isRefreshing == refreshing)
        return;
    m_isRefreshing = refreshing;
    Q_EMIT isRefreshingChanged();
}

void UsageAppModel::setConnectionState(const ProviderConnectionState& state)
{
    if (m_connectionStates.value(state.service) == state)
        return;
    m_connectionStates.insert(state.service, state);
    Q_EMIT connectionStatesChanged();
}

void UsageAppModel::setAuthenticationAction(std::optional<ProviderService> service)
{
    m_authenticationAction = service;
    Q_EMIT authenticationActionChanged();
}

} // namespace tallyvane
