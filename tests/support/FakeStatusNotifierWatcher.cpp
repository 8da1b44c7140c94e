#include "FakeStatusNotifierWatcher.h"

#include "BusPresence.h"

#include <QCoreApplication>
#include <QDBusConnection>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::testing {

namespace {
const QString serviceName = u"org.kde.StatusNotifierWatcher"_s;
const QString objectPath = u"/StatusNotifierWatcher"_s;
} // namespace

FakeStatusNotifierWatcher::FakeStatusNotifierWatcher()
    : m_connectionName(u"tallyvane-fake-tray-watcher"_s)
{
}

FakeStatusNotifierWatcher::~FakeStatusNotifierWatcher()
{
    stop();
}

bool FakeStatusNotifierWatcher::start(bool withHost)
{
    m_hostRegistered = withHost;
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName);
    if (!bus.isConnected() ||
        !bus.registerObject(objectPath, this,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                                QDBusConnection::ExportAllProperties))
        return false;
    m_thread.start();
    moveToThread(&m_thread);
    m_registered = bus.registerService(serviceName);
    return m_registered;
}

void FakeStatusNotifierWatcher::registerHost()
{
    QMetaObject::invokeMethod(this,
                              [this] { RegisterStatusNotifierHost(u"org.kde.StatusNotifierHost-test"_s); });
}

void FakeStatusNotifierWatcher::RegisterStatusNotifierItem(const QString& service)
{
    m_items.append(service);
    Q_EMIT StatusNotifierItemRegistered(service);
}

void FakeStatusNotifierWatcher::RegisterStatusNotifierHost(const QString&)
{
    m_hostRegistered = true;
    Q_EMIT StatusNotifierHostRegistered();
}

void FakeStatusNotifierWatcher::stop()
{
    if (m_thread.isRunning()) {
        QThread* home = QCoreApplication::instance()->thread();
        QMetaObject::invokeMethod(
            this, [this, home] { moveToThread(home); }, Qt::BlockingQueuedConnection);
    }
    withdrawFromBus(m_connectionName, serviceName, objectPath, m_registered);
    m_registered = false;
    m_thread.quit();
    m_thread.wait();
}

} // namespace tallyvane::testing
