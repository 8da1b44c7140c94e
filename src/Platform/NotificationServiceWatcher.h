#pragma once

#include <QDBusConnection>
#include <QObject>

class QDBusServiceWatcher;

namespace tallyvane {

// Tells when the freedesktop notification service gains or loses its owner on the session bus:
// a session may start its notification daemon after the application, or restart it.
class NotificationServiceWatcher : public QObject {
    Q_OBJECT
public:
    explicit NotificationServiceWatcher(QDBusConnection bus = QDBusConnection::sessionBus(),
                                        QObject* parent = nullptr);

Q_SIGNALS:
    void ownerChanged();

private:
    QDBusServiceWatcher* m_watcher;
};

} // namespace tallyvane
