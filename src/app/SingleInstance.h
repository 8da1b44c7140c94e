#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace tallyvane {

// One running application per user session. The first launch listens on a local socket named
// for the user; a later launch asks it to show itself and leaves.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QString name, QObject* parent = nullptr);

    // The socket name of this user's session: one per user, whatever the display.
    static QString sessionName();

    // True when another instance took the request, so this one should exit. Otherwise this
    // instance now answers later launches.
    bool handOverToRunningInstance();

Q_SIGNALS:
    void activationRequested();

private:
    bool askRunningInstance() const;

    QString m_name;
    QLocalServer m_server;
};

} // namespace tallyvane
