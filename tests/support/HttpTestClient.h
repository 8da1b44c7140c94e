#pragma once

#include <QByteArray>
#include <QTcpSocket>

namespace tallyvane::testing {

// One connection to a loopback server: sends its request once connected (an empty one sends
// nothing) and keeps everything the server sends until it closes.
class HttpTestClient {
public:
    HttpTestClient(quint16 port, QByteArray request);
    HttpTestClient(const HttpTestClient&) = delete;
    HttpTestClient& operator=(const HttpTestClient&) = delete;

    // The widget document's request with the given Host header.
    static QByteArray widgetRequest(const QByteArray& host);

    // False if the server still holds the connection open after `milliseconds`.
    bool waitClosed(int milliseconds = 5000);
    bool isClosed() const { return m_closed; }

    const QByteArray& received() const { return m_received; }
    QByteArray statusLine() const;
    QByteArray body() const;
    QTcpSocket& socket() { return m_socket; }

private:
    QTcpSocket m_socket;
    QByteArray m_request;
    QByteArray m_received;
    bool m_closed = false;
};

} // namespace tallyvane::testing
