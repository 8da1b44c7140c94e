#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>

class QTcpSocket;

namespace tallyvane::testing {

class FakeClaudeServer;

// Plays the user's browser in a sign-in: checks the authorisation URL (the eight query
// parameters in their order and their values), tells the fake server which challenge and
// code to expect, then calls the loopback redirect address over a real socket, exactly as a
// browser following the redirect would, and keeps the listener's reply.
class FakeBrowser {
public:
    FakeBrowser(FakeClaudeServer& server, QString clientID,
                QString code = QStringLiteral("authorization-code-7f3a"));

    // The function a session opens URLs with; copies share this browser's state.
    std::function<bool(const QUrl&)> opener() const;

    void refuseToOpen() { m_state->refuse = true; }
    // Where "localhost" resolves to: 127.0.0.1 unless told otherwise.
    void resolveLocalhostTo(const QHostAddress& address) { m_state->localhost = address; }

    QUrl openedURL() const { return m_state->opened; }
    QString queryValue(const QString& name) const;
    QStringList problems() const { return m_state->problems; }
    // What the loopback listener answered, as far as it has arrived.
    QByteArray reply() const { return m_state->reply; }

private:
    struct State {
        FakeClaudeServer* server = nullptr;
        QString clientID;
        QString code;
        bool refuse = false;
        QHostAddress localhost{QHostAddress::LocalHost};
        QUrl opened;
        QStringList problems;
        QByteArray reply;
        std::shared_ptr<QTcpSocket> socket;
    };
    std::shared_ptr<State> m_state;
};

} // namespace tallyvane::testing
