#include "FakePortalSettings.h"

#include "BusPresence.h"

#include <QDBusConnection>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::testing {

namespace {
const QString serviceName = u"org.freedesktop.portal.Desktop"_s;
const QString objectPath = u"/org/freedesktop/portal/desktop"_s;

QString settingKey(const QString& nameSpace, const QString& key)
{
    return nameSpace + u' ' + key;
}
} // namespace

FakePortalSettings::FakePortalSettings()
    : m_connectionName(u"tallyvane-fake-desktop-portal"_s)
{
}

FakePortalSettings::~FakePortalSettings()
{
    withdrawFromBus(m_connectionName, serviceName, objectPath, m_registered);
}

void FakePortalSettings::set(const QString& nameSpace, const QString& key, const QVariant& value)
{
    m_values.insert(settingKey(nameSpace, key), value);
}

bool FakePortalSettings::start()
{
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName);
    if (!bus.isConnected() ||
        !bus.registerObject(objectPath, this,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals))
        return false;
    m_registered = bus.registerService(serviceName);
    return m_registered;
}

void FakePortalSettings::change(const QString& nameSpace, const QString& key, const QVariant& value)
{
    set(nameSpace, key, value);
    Q_EMIT SettingChanged(nameSpace, key, QDBusVariant(value));
}

QDBusVariant FakePortalSettings::Read(const QString& nameSpace, const QString& key)
{
    const auto found = m_values.constFind(settingKey(nameSpace, key));
    if (found == m_values.constEnd()) {
        sendErrorReply(u"org.freedesktop.portal.Error.NotFound"_s, u"Requested setting not found"_s);
        return {};
    }
    // Portals before version 2 wrap the value in one variant more; the reader takes either.
    return QDBusVariant(QVariant::fromValue(QDBusVariant(*found)));
}

} // namespace tallyvane::testing
