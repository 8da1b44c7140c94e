#pragma once

#include <QObject>
#include <QStringList>
#include <QThread>

namespace tallyvane::testing {

// org.kde.StatusNotifierWatcher on the test's session bus, as a panel with a tray provides it.
// It answers on a thread and a connection of its own: the application asks it synchronously
// from the main thread, as Qt itself does.
class FakeStatusNotifierWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isStatusNotifierHostRegistered)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
public:
    FakeStatusNotifierWatcher();
    ~FakeStatusNotifierWatcher() override;

    // Takes the watcher's name, with or without a host (a tray that shows items) behind it.
    bool start(bool withHost);
    // A host registers with a watcher that had none, as when the panel's tray comes up.
    void registerHost();

    bool isStatusNotifierHostRegistered() const { return m_hostRegistered; }
    QStringList registeredItems() const { return m_items; }
    int protocolVersion() const { return 0; }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service);
    void RegisterStatusNotifierHost(const QString& service);

Q_SIGNALS:
    void StatusNotifierItemRegistered(const QString& service);
    void StatusNotifierHostRegistered();

private:
    void stop();

    QString m_connectionName;
    QThread m_thread;
    bool m_hostRegistered = false;
    bool m_registered = false;
    QStringList m_items;
};

} // namespace tallyvane::testing
