#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QList>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QVariantMap>

namespace tallyvane::testing {

// org.freedesktop.Notifications on the test's session bus, on a connection of its own so that
// calls really travel through the bus daemon. Records every Notify call and can answer chosen
// calls with a D-Bus error instead.
class FakeNotificationServer : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call {
        QString appName;
        uint replacesID = 0;
        QString appIcon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        int expireTimeout = 0;
        bool failed = false; // answered with an error
    };

    static constexpr QLatin1StringView failureName{"org.freedesktop.Notifications.Error.Test"};

    explicit FakeNotificationServer(QObject* parent = nullptr);
    ~FakeNotificationServer() override;

    // Connects to the session bus and takes the service name. False when either fails.
    bool start();
    void stop();

    const QList<Call>& calls() const { return m_calls; }
    // Answer the call with this zero-based number (counting every call since construction)
    // with an error.
    void failCall(qsizetype index) { m_failing.insert(index); }
    // What GetCapabilities answers; "body" and "sound" unless set.
    void setCapabilities(const QStringList& capabilities) { m_capabilities = capabilities; }

public Q_SLOTS:
    uint Notify(const QString& app_name, uint replaces_id, const QString& app_icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints,
                int expire_timeout);
    QStringList GetCapabilities() const;

private:
    QString m_connectionName;
    bool m_registered = false;
    QList<Call> m_calls;
    QSet<qsizetype> m_failing;
    QStringList m_capabilities{QStringLiteral("body"), QStringLiteral("sound")};
    uint m_nextID = 1;
};

} // namespace tallyvane::testing
