#include "HttpTestClient.h"

#include <QTest>

namespace tallyvane::testing {

HttpTestClient::HttpTestClient(quint16 port, QByteArray request)
    : m_request(std::move(request))
{
    QObject::connect(&m_socket, &QIODevice::readyRead, [this] { m_received += m_socket.readAll(); });
    QObject::connect(&m_socket, &QAbstractSocket::disconnected, [this] { m_closed = true; });
    QObject::connect(&m_socket, &QAbstractSocket::connected, [this] {
        if (!m_request.isEmpty())
            m_socket.write(m_request);
    });
    m_socket.connectToHost(QHostAddress::LocalHost, port);
}

QByteArray HttpTestClient::widgetRequest(const QByteArray& host)
{
    return "GET /widget/v1 HTTP/1.1\r\nHost: " + host + "\r\nAccept: */*\r\n\r\n";
}

bool HttpTestClient::waitClosed(int milliseconds)
{
    const bool closed = QTest::qWaitFor(
        [this] { return m_closed || m_socket.state() == QAbstractSocket::UnconnectedState; }, milliseconds);
    m_received += m_socket.readAll();
    return closed;
}

QByteArray HttpTestClient::statusLine() const
{
    return m_received.left(m_received.indexOf("\r\n"));
}

QByteArray HttpTestClient::body() const
{
    return m_received.mid(m_received.indexOf("\r\n\r\n") + 4);
}

} // namespace tallyvane::testing
