#include "FakeDesktopPortal.h"

#include "BusPresence.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QTimer>
#include <QUuid>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::testing {

FakeDesktopPortal::FakeDesktopPortal(QObject* parent)
    : QObject(parent)
    , m_connectionName(u"fake-portal-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
}

FakeDesktopPortal::~FakeDesktopPortal()
{
    withdrawFromBus(m_connectionName, u"org.freedesktop.portal.Desktop"_s,
                    u"/org/freedesktop/portal/desktop"_s, true);
}

bool FakeDesktopPortal::start()
{
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName);
    return bus.isConnected() &&
           bus.registerObject(u"/org/freedesktop/portal/desktop"_s, this, QDBusConnection::ExportAllSlots) &&
           bus.registerService(u"org.freedesktop.portal.Desktop"_s);
}

QDBusObjectPath FakeDesktopPortal::OpenURI(const QString&, const QString& uri, const QVariantMap& options)
{
    m_addresses.append(uri);
    const QString token = options.value(u"handle_token"_s).toString();
    if (!m_response) {
        sendErrorReply(u"org.freedesktop.portal.Error.Failed"_s, u"Refused by the test"_s);
        return {};
    }
    QString sender = message().service();
    sender.remove(0, 1).replace(u'.', u'_');
    const QString path = u"/org/freedesktop/portal/desktop/request/%1/%2"_s.arg(sender, token);
    // As the portal does: the request first, its end afterwards.
    QTimer::singleShot(20, this, [this, path, response = *m_response] {
        QDBusMessage signal =
            QDBusMessage::createSignal(path, u"org.freedesktop.portal.Request"_s, u"Response"_s);
        signal << response << QVariantMap();
        QDBusConnection(m_connectionName).send(signal);
    });
    return QDBusObjectPath(path);
}

} // namespace tallyvane::testing
