#pragma once

#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QTimer>

namespace tallyvane {

// Tells whether a tray host can show the item now, and when one appears later (a panel that
// starts after the application). A StatusNotifierItem host is looked for on the session bus
// without asking Qt: Qt settles on its first question whether it will ever use the D-Bus tray,
// so asking before a host is there would rule the D-Bus tray out for the whole run. On X11 an
// XEmbed tray is polled through Qt, which looks for its selection owner each time.
class TrayHostWatcher : public QObject {
    Q_OBJECT
public:
    static constexpr auto watcherService = "org.kde.StatusNotifierWatcher";
    static constexpr auto watcherPath = "/StatusNotifierWatcher";

    explicit TrayHostWatcher(QObject* parent = nullptr);

    bool isAvailable() const { return m_available; }

Q_SIGNALS:
    // Once, when a host appeared after the watcher was made.
    void hostAppeared();

private Q_SLOTS:
    void check();

private:
    static QDBusMessage hostRegisteredQuery();
    static bool answersYes(const QDBusMessage& reply);
    static bool statusNotifierHostIsRegistered();
    // Asked without blocking: once the item is up, incoming calls pass through the main thread
    // (the activation point is read there), so a blocking call could not be answered by a
    // watcher in this process.
    void askForStatusNotifierHost();
    void becomeAvailable();

    QDBusServiceWatcher m_watcher;
    QTimer m_xembedPoll;
    bool m_available = false;
};

} // namespace tallyvane
