#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

#include <chrono>

namespace tallyvane {

// One running application per user session. The first launch listens on a local socket named
// for the user; a later launch asks it to show itself and leaves. Only a connection from this
// same user is listened to, and one that sends nothing is dropped after silenceLimit.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds silenceLimit{2000};

    explicit SingleInstance(QString name, QObject* parent = nullptr);

    // The socket of this user's session: in the user's runtime folder, or, without one, in a
    // private folder of our own (under the temporary folder, else the user's cache folder).
    static QString sessionName();

    // True when another instance took the request, so this one should exit. Otherwise this
    // instance now answers later launches.
    bool handOverToRunningInstance();

    // Whether the process at the other end of a connected local socket runs as this user.
    static bool peerIsThisUser(qintptr socketDescriptor);

Q_SIGNALS:
    void activationRequested();

private:
    bool askRunningInstance() const;
    void acceptPending();

    QString m_name;
    QLocalServer m_server;
};

} // namespace tallyvane
