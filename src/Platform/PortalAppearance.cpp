#include "PortalAppearance.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {
namespace {

const QString portalService = u"org.freedesktop.portal.Desktop"_s;
const QString portalPath = u"/org/freedesktop/portal/desktop"_s;
const QString settingsInterface = u"org.freedesktop.portal.Settings"_s;
const QString appearanceNamespace = u"org.freedesktop.appearance"_s;
const QString colorSchemeKey = u"color-scheme"_s;
const QString gnomeInterfaceNamespace = u"org.gnome.desktop.interface"_s;
const QString animationsKey = u"enable-animations"_s;

// Read answers a variant holding the value; older portals wrap it in one variant more.
QVariant unwrapped(QVariant value)
{
    while (value.metaType() == QMetaType::fromType<QDBusVariant>())
        value = qvariant_cast<QDBusVariant>(value).variant();
    return value;
}

} // namespace

PortalAppearance::PortalAppearance(QObject* parent)
    : QObject(parent)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    bus.connect(portalService, portalPath, settingsInterface, u"SettingChanged"_s, this,
                SLOT(settingChanged(QString, QString, QDBusVariant)));
    read(appearanceNamespace, colorSchemeKey);
    read(gnomeInterfaceNamespace, animationsKey);
}

std::optional<ColorSchemePreference> PortalAppearance::colorSchemeFromPortal(const QVariant& value)
{
    bool isNumber = false;
    const uint code = unwrapped(value).toUInt(&isNumber);
    if (!isNumber)
        return std::nullopt;
    switch (code) {
    case 0:
        return ColorSchemePreference::noPreference;
    case 1:
        return ColorSchemePreference::dark;
    case 2:
        return ColorSchemePreference::light;
    default:
        return std::nullopt;
    }
}

void PortalAppearance::read(const QString& nameSpace, const QString& key)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(portalService, portalPath, settingsInterface, u"Read"_s);
    call << nameSpace << key;
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, nameSpace, key] {
        watcher->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *watcher;
        // No portal, or a setting this desktop does not publish: the value
        // stays unknown and the palette decides.
        if (reply.isValid())
            take(nameSpace, key, reply.value().variant());
    });
}

void PortalAppearance::settingChanged(const QString& nameSpace, const QString& key, const QDBusVariant& value)
{
    take(nameSpace, key, value.variant());
}

void PortalAppearance::take(const QString& nameSpace, const QString& key, const QVariant& value)
{
    if (nameSpace == appearanceNamespace && key == colorSchemeKey) {
        m_colorScheme = colorSchemeFromPortal(value);
    } else if (nameSpace == gnomeInterfaceNamespace && key == animationsKey) {
        const QVariant flag = unwrapped(value);
        m_animationsEnabled =
            flag.metaType() == QMetaType::fromType<bool>() ? std::optional(flag.toBool()) : std::nullopt;
    } else {
        return;
    }
    Q_EMIT changed();
}

} // namespace tallyvane
