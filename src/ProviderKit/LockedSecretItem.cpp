#include "LockedSecretItem.h"

#include <QCoroDBusPendingCall>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QMap>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {

using Attributes = QMap<QString, QString>;

QDBusMessage searchItems(const QString& service, const QString& account)
{
    static const bool registered = [] {
        qDBusRegisterMetaType<Attributes>();
        return true;
    }();
    Q_UNUSED(registered);
    QDBusMessage message =
        QDBusMessage::createMethodCall(u"org.freedesktop.secrets"_s, u"/org/freedesktop/secrets"_s,
                                       u"org.freedesktop.Secret.Service"_s, u"SearchItems"_s);
    // The attributes QtKeychain gives its items.
    message.setArguments({QVariant::fromValue(Attributes{{u"user"_s, account}, {u"server"_s, service}})});
    return message;
}

} // namespace

QCoro::Task<bool> LockedSecretItem::exists(QString service, QString account,
                                           std::chrono::milliseconds deadline)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        co_return false;
    const QDBusPendingCall call = bus.asyncCall(searchItems(service, account), int(deadline.count()));
    const QDBusMessage answer = co_await call;
    if (answer.type() != QDBusMessage::ReplyMessage || answer.arguments().size() != 2)
        co_return false;
    co_return !qdbus_cast<QList<QDBusObjectPath>>(answer.arguments().at(1)).isEmpty();
}

} // namespace tallyvane
