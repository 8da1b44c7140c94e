#pragma once

#include <QDBusContext>
#include <QDBusObjectPath>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <optional>

namespace tallyvane::testing {

// The XDG desktop portal's OpenURI on the test's session bus, on a connection of its own. Records
// the addresses asked for and answers each request as told: with a Response signal carrying a
// code, or with a D-Bus error instead of a request.
class FakeDesktopPortal : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.OpenURI")
public:
    explicit FakeDesktopPortal(QObject* parent = nullptr);
    ~FakeDesktopPortal() override;

    bool start();

    // Absent: the call itself fails.
    void answerWith(std::optional<uint> response) { m_response = response; }
    const QStringList& addresses() const { return m_addresses; }

public Q_SLOTS:
    QDBusObjectPath OpenURI(const QString& parent_window, const QString& uri, const QVariantMap& options);

private:
    QString m_connectionName;
    std::optional<uint> m_response = 0u;
    QStringList m_addresses;
};

} // namespace tallyvane::testing
