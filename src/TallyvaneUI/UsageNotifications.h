#pragma once

#include "ProviderViewState.h"
#include "UsageAlertEvaluator.h"
#include "UsageAlertSettings.h"
#include "UsageNotificationPermission.h"
#include "UsagePaceAlerts.h"

#include <Platform/NotificationPosting.h>

#include <QObject>

#include <functional>
#include <memory>

namespace tallyvane {

class NotificationServiceWatcher;

// Turns every refresh into usage alerts and posts them. Lives on the main thread.
class UsageNotificationController : public QObject {
    Q_OBJECT
    Q_PROPERTY(tallyvane::UsageNotificationPermission permission READ permission NOTIFY permissionChanged)
public:
    using SettingsSource = std::function<UsageAlertSettings()>;

    // Without a centre nothing is ever posted and the permission stays `unavailable`. The
    // settings are read at every evaluation, so a change applies at the next refresh.
    UsageNotificationController(std::shared_ptr<NotificationPosting> center, SettingsSource settings,
                                QObject* parent = nullptr);

    UsageNotificationPermission permission() const { return m_permission; }
    const UsageAlertEvaluator& evaluator() const { return m_evaluator; }

    QCoro::Task<> refreshPermission();
    // Re-reads the permission whenever the watcher sees the notification service come or go,
    // so alerts start once a late notification daemon is up.
    void followService(NotificationServiceWatcher& watcher);
    // Whether posting is allowed afterwards. A request that fails counts as a refusal.
    QCoro::Task<bool> requestAuthorization();
    // Runs the evaluator even when alerts are off, so that turning them off forgets every
    // window. Posts one notification per event, one after the other; a failed one is skipped.
    // A provider shown as temporarily unavailable keeps its windows until their reset time.
    QCoro::Task<> evaluate(QList<ProviderViewState> providers, Instant now);
    // For a service that signed out: its windows are first sightings again.
    void forgetProvider(const QString& providerID)
    {
        m_evaluator.forgetProvider(providerID);
        m_paceAlerts.forgetProvider(providerID);
    }

Q_SIGNALS:
    void permissionChanged(tallyvane::UsageNotificationPermission permission);

private:
    void setPermission(UsageNotificationPermission permission);

    std::shared_ptr<NotificationPosting> m_center;
    SettingsSource m_settings;
    UsageAlertEvaluator m_evaluator;
    UsagePaceAlerts m_paceAlerts;
    UsageNotificationPermission m_permission;
};

} // namespace tallyvane
