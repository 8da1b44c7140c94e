#include "DesktopNotifications.h"

#include <QCoroDBusPendingCall>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QVariantMap>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {

constexpr int defaultTimeout = -1; // the server's own default

QDBusMessage busDaemonCall(const QString& method, const QVariantList& arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        u"org.freedesktop.DBus"_s, u"/org/freedesktop/DBus"_s, u"org.freedesktop.DBus"_s, method);
    message.setArguments(arguments);
    return message;
}

QDBusMessage nameHasOwnerCall()
{
    return busDaemonCall(u"NameHasOwner"_s, QVariantList{QString(DesktopNotifications::serviceName)});
}

QCoro::Task<QDBusMessage> send(QDBusConnection bus, QDBusMessage message)
{
    const QDBusPendingCall call = bus.asyncCall(message);
    co_return co_await call;
}

QDBusMessage notifyCall(const UserNotification& notification)
{
    QVariantMap hints;
    if (notification.playsDefaultSound)
        hints.insert(u"sound-name"_s, QString(DesktopNotifications::defaultSoundName));
    if (!notification.identifier.isEmpty())
        hints.insert(QString(DesktopNotifications::identifierHint), notification.identifier);

    const QString service(DesktopNotifications::serviceName);
    QDBusMessage message = QDBusMessage::createMethodCall(service, QString(DesktopNotifications::objectPath),
                                                          service, u"Notify"_s);
    message.setArguments({QString(DesktopNotifications::applicationName), 0u, QString(), notification.title,
                          notification.body, QStringList(), hints, defaultTimeout});
    return message;
}

QDBusMessage capabilitiesCall()
{
    const QString service(DesktopNotifications::serviceName);
    return QDBusMessage::createMethodCall(service, QString(DesktopNotifications::objectPath), service,
                                          u"GetCapabilities"_s);
}

bool isReply(const QDBusMessage& answer)
{
    return answer.type() == QDBusMessage::ReplyMessage;
}

} // namespace

DesktopNotifications::DesktopNotifications(QDBusConnection bus)
    : m_bus(std::move(bus))
{
}

QCoro::Task<NotificationAuthorization> DesktopNotifications::authorization()
{
    const QDBusConnection bus = m_bus;
    if (!bus.isConnected())
        co_return NotificationAuthorization::unavailable;

    const QDBusMessage owner = co_await send(bus, nameHasOwnerCall());
    if (isReply(owner) && !owner.arguments().isEmpty() && owner.arguments().constFirst().toBool())
        co_return NotificationAuthorization::authorized;

    const QDBusMessage activatable =
        co_await send(bus, busDaemonCall(u"ListActivatableNames"_s, QVariantList()));
    if (isReply(activatable) && !activatable.arguments().isEmpty() &&
        activatable.arguments().constFirst().toStringList().contains(QString(serviceName)))
        co_return NotificationAuthorization::authorized;
    co_return NotificationAuthorization::denied;
}

QCoro::Task<std::expected<bool, NotificationPostingError>> DesktopNotifications::requestAuthorization()
{
    co_return (co_await authorization()) == NotificationAuthorization::authorized;
}

QCoro::Task<std::expected<void, NotificationPostingError>>
DesktopNotifications::post(UserNotification notification)
{
    const QDBusConnection bus = m_bus;
    if (!bus.isConnected())
        co_return std::unexpected(NotificationPostingError::busUnavailable);

    // A server that reads markup in bodies would take window names from other programs'
    // output for tags; escaped, they show as written.
    const QDBusMessage capabilities = co_await send(bus, capabilitiesCall());
    if (isReply(capabilities) && !capabilities.arguments().isEmpty() &&
        capabilities.arguments().constFirst().toStringList().contains(u"body-markup"_s))
        notification.body = notification.body.toHtmlEscaped();

    const QDBusMessage answer = co_await send(bus, notifyCall(notification));
    if (!isReply(answer))
        co_return std::unexpected(NotificationPostingError::serviceFailed);
    co_return {};
}

} // namespace tallyvane
