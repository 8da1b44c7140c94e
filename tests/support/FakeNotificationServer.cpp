#include "FakeNotificationServer.h"

#include "BusPresence.h"

#include <QDBusConnectionInterface>

#include <atomic>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::testing {

namespace {

const QString serviceName = u"org.freedesktop.Notifications"_s;
const QString objectPath = u"/org/freedesktop/Notifications"_s;

QString uniqueConnectionName()
{
    static std::atomic<int> counter = 0;
    return u"tallyvane-fake-notifications-%1"_s.arg(++counter);
}

} // namespace

FakeNotificationServer::FakeNotificationServer(QObject* parent)
    : QObject(parent)
    , m_connectionName(uniqueConnectionName())
{
}

FakeNotificationServer::~FakeNotificationServer()
{
    stop();
}

bool FakeNotificationServer::start()
{
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName);
    if (!bus.isConnected())
        return false;
    if (!bus.registerObject(objectPath, this, QDBusConnection::ExportAllSlots))
        return false;
    m_registered = bus.registerService(serviceName);
    return m_registered;
}

void FakeNotificationServer::stop()
{
    withdrawFromBus(m_connectionName, serviceName, objectPath, m_registered);
    m_registered = false;
}

uint FakeNotificationServer::Notify(const QString& app_name, uint replaces_id, const QString& app_icon,
                                    const QString& summary, const QString& body, const QStringList& actions,
                                    const QVariantMap& hints, int expire_timeout)
{
    const bool fails = m_failing.contains(m_calls.size());
    m_calls.append(
        Call{app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout, fails});
    if (fails) {
        sendErrorReply(QString(failureName), u"Refused by the test"_s);
        return 0;
    }
    return m_nextID++;
}

QStringList FakeNotificationServer::GetCapabilities() const
{
    return m_capabilities;
}

} // namespace tallyvane::testing
