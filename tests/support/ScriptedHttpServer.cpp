#include "ScriptedHttpServer.h"

#include <QTcpSocket>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace tallyvane::testing {

ScriptedHttpServer::ScriptedHttpServer(QByteArray reply, bool trickles)
    : m_reply(std::move(reply))
    , m_trickles(trickles)
{
    listen(QHostAddress::LocalHost);
    connect(this, &QTcpServer::newConnection, this, [this] {
        QTcpSocket* socket = nextPendingConnection();
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            m_received += socket->readAll();
            if (m_received.contains("\r\n\r\n") && !m_reply.isEmpty() && m_unsent == 0)
                answer(socket);
        });
    });
}

QByteArray ScriptedHttpServer::jsonAnswer(const QByteArray& statusLine, const QByteArray& body)
{
    return statusLine + "\r\nContent-Type: application/json\r\nContent-Length: "_ba +
           QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n"_ba + body;
}

QUrl ScriptedHttpServer::widgetEndpoint() const
{
    QUrl endpoint(u"http://127.0.0.1/widget/v1"_s);
    endpoint.setPort(serverPort());
    return endpoint;
}

void ScriptedHttpServer::answer(QTcpSocket* socket)
{
    if (!m_trickles) {
        socket->write(m_reply);
        socket->disconnectFromHost();
        return;
    }
    const qsizetype body = m_reply.indexOf("\r\n\r\n") + 4;
    socket->write(m_reply.left(body));
    m_unsent = m_reply.size() - body;
    auto* timer = new QTimer(socket);
    connect(timer, &QTimer::timeout, socket, [this, socket] {
        socket->write(m_reply.right(m_unsent).left(1));
        if (--m_unsent == 0)
            socket->disconnectFromHost();
    });
    timer->start(100ms);
}

} // namespace tallyvane::testing
