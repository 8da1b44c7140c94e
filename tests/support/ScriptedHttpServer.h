#pragma once

#include <QByteArray>
#include <QTcpServer>
#include <QUrl>

namespace tallyvane::testing {

// A loopback server that answers every request with the same bytes, one request per
// connection, and keeps what it was sent. With no bytes it stays silent. A trickling server
// sends the headers at once and then the body a byte every tenth of a second.
class ScriptedHttpServer : public QTcpServer {
public:
    explicit ScriptedHttpServer(QByteArray reply, bool trickles = false);

    // A whole answer carrying `body` as JSON.
    static QByteArray jsonAnswer(const QByteArray& statusLine, const QByteArray& body);

    // The widget document's address on this server.
    QUrl widgetEndpoint() const;
    const QByteArray& received() const { return m_received; }
    // Bytes of a trickled answer not sent yet.
    qsizetype unsent() const { return m_unsent; }

private:
    void answer(QTcpSocket* socket);

    QByteArray m_reply;
    bool m_trickles;
    QByteArray m_received;
    qsizetype m_unsent = 0;
};

} // namespace tallyvane::testing
