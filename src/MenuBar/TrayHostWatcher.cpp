#include "TrayHostWatcher.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QSystemTrayIcon>

#include <chrono>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {
namespace {

constexpr auto xembedPollInterval = std::chrono::seconds(2);
constexpr int busTimeoutMs = 1000;

bool isX11()
{
    return QGuiApplication::platformName() == "xcb"_L1;
}

} // namespace

TrayHostWatcher::TrayHostWatcher(QObject* parent)
    : QObject(parent)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString service = QString::fromLatin1(watcherService);
    m_watcher.setConnection(bus);
    m_watcher.addWatchedService(service);
    m_watcher.setWatchMode(QDBusServiceWatcher::WatchForRegistration);
    QObject::connect(&m_watcher, &QDBusServiceWatcher::serviceRegistered, this, &TrayHostWatcher::check);
    // The watcher may be there before any host is; hosts announce themselves to it.
    bus.connect(service, QString::fromLatin1(watcherPath), service, u"StatusNotifierHostRegistered"_s, this,
                SLOT(check()));

    m_xembedPoll.setInterval(xembedPollInterval);
    QObject::connect(&m_xembedPoll, &QTimer::timeout, this, &TrayHostWatcher::check);

    m_available = statusNotifierHostIsRegistered() || (isX11() && QSystemTrayIcon::isSystemTrayAvailable());
    if (!m_available && isX11())
        m_xembedPoll.start();
}

void TrayHostWatcher::check()
{
    if (m_available)
        return;
    if (isX11() && QSystemTrayIcon::isSystemTrayAvailable())
        return becomeAvailable();
    askForStatusNotifierHost();
}

void TrayHostWatcher::becomeAvailable()
{
    if (m_available)
        return;
    m_available = true;
    m_xembedPoll.stop();
    Q_EMIT hostAppeared();
}

QDBusMessage TrayHostWatcher::hostRegisteredQuery()
{
    const QString service = QString::fromLatin1(watcherService);
    QDBusMessage get = QDBusMessage::createMethodCall(service, QString::fromLatin1(watcherPath),
                                                      u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
    get << service << u"IsStatusNotifierHostRegistered"_s;
    return get;
}

bool TrayHostWatcher::answersYes(const QDBusMessage& reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    return qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant().toBool();
}

bool TrayHostWatcher::statusNotifierHostIsRegistered()
{
    // The same two questions Qt asks before it uses the D-Bus tray.
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(QString::fromLatin1(watcherService)))
        return false;
    return answersYes(bus.call(hostRegisteredQuery(), QDBus::Block, busTimeoutMs));
}

void TrayHostWatcher::askForStatusNotifierHost()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    auto* pending = new QDBusPendingCallWatcher(bus.asyncCall(hostRegisteredQuery(), busTimeoutMs), this);
    QObject::connect(pending, &QDBusPendingCallWatcher::finished, this,
                     [this](QDBusPendingCallWatcher* call) {
                         call->deleteLater();
                         if (answersYes(call->reply()))
                             becomeAvailable();
                     });
}

} // namespace tallyvane
