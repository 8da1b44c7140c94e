#pragma once

#include <QDBusContext>
#include <QDBusVariant>
#include <QHash>
#include <QObject>
#include <QVariant>

namespace tallyvane::testing {

// The XDG desktop portal's Settings interface on the test's session bus, on a connection of its
// own: Read answers the values it was given (an error for the others, as the portal does) and
// change() sends SettingChanged.
class FakePortalSettings : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    FakePortalSettings();
    ~FakePortalSettings() override;

    void set(const QString& nameSpace, const QString& key, const QVariant& value);
    bool start();
    void change(const QString& nameSpace, const QString& key, const QVariant& value);

public Q_SLOTS:
    QDBusVariant Read(const QString& nameSpace, const QString& key);

Q_SIGNALS:
    void SettingChanged(const QString& nameSpace, const QString& key, const QDBusVariant& value);

private:
    QString m_connectionName;
    QHash<QString, QVariant> m_values;
    bool m_registered = false;
};

} // namespace tallyvane::testing
