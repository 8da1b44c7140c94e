#include "SlowSecretService.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::testing {

namespace {
const QString serviceName = u"org.freedesktop.secrets"_s;
const QString rootPath = u"/org/freedesktop/secrets"_s;
} // namespace

SlowSecretService::SlowSecretService(int delayMs)
    : m_delayMs(delayMs)
{
}

SlowSecretService::~SlowSecretService()
{
    if (!m_registered)
        return;
    QDBusConnection::sessionBus().unregisterObject(rootPath, QDBusConnection::UnregisterTree);
    QDBusConnection::sessionBus().unregisterService(serviceName);
}

bool SlowSecretService::start()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    m_registered = bus.registerVirtualObject(rootPath, this, QDBusConnection::SubPath) &&
                   bus.registerService(serviceName);
    return m_registered;
}

QString SlowSecretService::introspect(const QString&) const
{
    return {};
}

bool SlowSecretService::handleMessage(const QDBusMessage& message, const QDBusConnection& connection)
{
    message.setDelayedReply(true);
    QTimer::singleShot(m_delayMs, this, [message, connection] {
        connection.send(message.createErrorReply(u"org.freedesktop.DBus.Error.TimedOut"_s, u"slow"_s));
    });
    return true;
}

} // namespace tallyvane::testing
