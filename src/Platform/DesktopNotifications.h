#pragma once

#include "NotificationPosting.h"

#include <QDBusConnection>

namespace tallyvane {

// The freedesktop notification service on the session bus. Linux has no approval prompt: the
// application may post whenever a notification service is running or can be started.
class DesktopNotifications final : public NotificationPosting {
public:
    static constexpr QLatin1StringView serviceName{"org.freedesktop.Notifications"};
    static constexpr QLatin1StringView objectPath{"/org/freedesktop/Notifications"};
    static constexpr QLatin1StringView applicationName{"Tallyvane"};
    // The sound theme's name for an incoming message, the closest thing to a default sound.
    static constexpr QLatin1StringView defaultSoundName{"message-new-instant"};
    // Carries the notification's identifier; the protocol itself only knows numeric ids.
    static constexpr QLatin1StringView identifierHint{"x-tallyvane-identifier"};

    explicit DesktopNotifications(QDBusConnection bus = QDBusConnection::sessionBus());

    // No bus: unavailable. Otherwise authorized when the service has an owner or is
    // activatable, denied when not.
    QCoro::Task<NotificationAuthorization> authorization() override;
    // Re-checks: there is nobody to ask. Never fails.
    QCoro::Task<std::expected<bool, NotificationPostingError>> requestAuthorization() override;
    QCoro::Task<std::expected<void, NotificationPostingError>> post(UserNotification notification) override;

private:
    QDBusConnection m_bus;
};

} // namespace tallyvane
