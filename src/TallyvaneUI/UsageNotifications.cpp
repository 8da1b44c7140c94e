#include "UsageNotifications.h"

#include "UsageAlertContent.h"

#include <Platform/NotificationServiceWatcher.h>

#include <QPointer>

namespace tallyvane {

namespace {

UsageNotificationPermission permissionFor(NotificationAuthorization authorization)
{
    switch (authorization) {
    case NotificationAuthorization::unavailable:
        return UsageNotificationPermission::unavailable;
    case NotificationAuthorization::notDetermined:
        return UsageNotificationPermission::notRequested;
    case NotificationAuthorization::authorized:
        return UsageNotificationPermission::allowed;
    case NotificationAuthorization::denied:
        break;
    }
    return UsageNotificationPermission::denied;
}

} // namespace

UsageNotificationController::UsageNotificationController(std::shared_ptr<NotificationPosting> center,
                                                         SettingsSource settings, QObject* parent)
    : QObject(parent)
    , m_center(std::move(center))
    , m_settings(std::move(settings))
    , m_permission(m_center ? UsageNotificationPermission::notRequested
                            : UsageNotificationPermission::unavailable)
{
}

QCoro::Task<> UsageNotificationController::refreshPermission()
{
    if (!m_center) {
        setPermission(UsageNotificationPermission::unavailable);
        co_return;
    }
    const std::shared_ptr<NotificationPosting> center = m_center;
    const QPointer<UsageNotificationController> self(this);
    const NotificationAuthorization authorization = co_await center->authorization();
    if (self)
        setPermission(permissionFor(authorization));
}

void UsageNotificationController::followService(NotificationServiceWatcher& watcher)
{
    connect(&watcher, &NotificationServiceWatcher::ownerChanged, this, [this] {
        QCoro::Task<> checking = refreshPermission(); // runs on by itself
    });
}

QCoro::Task<bool> UsageNotificationController::requestAuthorization()
{
    if (!m_center)
        co_return false;
    const std::shared_ptr<NotificationPosting> center = m_center;
    const QPointer<UsageNotificationController> self(this);
    const std::expected<bool, NotificationPostingError> answer = co_await center->requestAuthorization();
    if (!self)
        co_return false;
    if (!answer) {
        setPermission(UsageNotificationPermission::denied);
        co_return false;
    }
    co_await refreshPermission();
    co_return self&& m_permission == UsageNotificationPermission::allowed;
}

QCoro::Task<> UsageNotificationController::evaluate(QList<ProviderViewState> providers, Instant now)
{
    const UsageAlertSettings settings = m_settings ? m_settings() : UsageAlertSettings{};
    UsageAlertEvaluator::Unobserved unobserved{{}, now};
    for (const ProviderViewState& state : std::as_const(providers)) {
        if (state.availability == ProviderAvailability::temporarilyUnavailable)
            unobserved.providerIDs.insert(state.id());
    }
    const QList<UsageAlertSample> samples = UsageAlertContent::samples(providers);
    QList<UsageAlertEvent> events = m_evaluator.evaluate(
        samples, settings.enabled, settings.thresholdFractions(), settings.windowReset, unobserved);
    events.append(m_paceAlerts.evaluate(samples, settings.enabled && settings.paceWarnings, now));
    if (!settings.enabled || m_permission != UsageNotificationPermission::allowed || !m_center)
        co_return;

    // Nothing of `this` is touched below, so the controller may go away while posts are pending.
    const std::shared_ptr<NotificationPosting> center = m_center;
    for (const UsageAlertEvent& event : events)
        (void)co_await center->post(UsageAlertContent::notification(event)); // a failed post is skipped
}

void UsageNotificationController::setPermission(UsageNotificationPermission permission)
{
    if (m_permission == permission)
        return;
    m_permission = permission;
    Q_EMIT permissionChanged(permission);
}

} // namespace tallyvane
