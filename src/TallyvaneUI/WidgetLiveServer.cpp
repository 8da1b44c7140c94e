#include "WidgetLiveServer.h"

#include "UsageAppModel.h"
#include "WidgetRequest.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

WidgetLiveServer::WidgetLiveServer(UsageAppModel& model, QObject* parent)
    : WidgetLiveServer(model, Limits{}, parent)
{
}

WidgetLiveServer::WidgetLiveServer(UsageAppModel& model, Limits limits, QObject* parent)
    : QObject(parent)
    , m_model(model)
    , m_limits(limits)
{
}

WidgetLiveServer::~WidgetLiveServer() = default;

void WidgetLiveServer::start()
{
    if (m_listener)
        return;
    auto listener = std::make_unique<QTcpServer>();
    // Local addresses may be reused (the default on this platform), so a restart right after
    // a quit does not find the port blocked by connections in TIME_WAIT.
    if (!listener->listen(QHostAddress::LocalHost, m_limits.port))
        return;
    QObject::connect(listener.get(), &QTcpServer::newConnection, this, &WidgetLiveServer::acceptPending);
    m_listener = std::move(listener);
}

void WidgetLiveServer::stop()
{
    if (m_listener)
        m_listener->close();
    m_listener.reset();
}

bool WidgetLiveServer::isListening() const
{
    return m_listener && m_listener->isListening();
}

quint16 WidgetLiveServer::serverPort() const
{
    return isListening() ? m_listener->serverPort() : 0;
}

void WidgetLiveServer::acceptPending()
{
    while (QTcpSocket* socket = m_listener ? m_listener->nextPendingConnection() : nullptr) {
        // Owned by the server, not the listener, so that stop() leaves open requests alone.
        socket->setParent(this);
        if (m_connectionCount >= m_limits.maximumConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        accept(socket);
    }
}

void WidgetLiveServer::accept(QTcpSocket* socket)
{
    ++m_connectionCount;
    // Qt stops reading from the socket once this much waits in its buffer, and nothing is ever
    // taken out of it (the request is only peeked at): a peer that keeps sending after its
    // request fills the buffer once and then the kernel's, which pushes back on the peer.
    socket->setReadBufferSize(maximumRequestBytes);
    QObject::connect(socket, &QObject::destroyed, this, [this] { --m_connectionCount; });
    QObject::connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);

    auto* idle = new QTimer(socket);
    idle->setSingleShot(true);
    QObject::connect(idle, &QTimer::timeout, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
    idle->start(m_limits.idleTimeout);

    QObject::connect(socket, &QIODevice::readyRead, this, [this, socket, idle] {
        // The request must come in one read; whatever follows is never looked at.
        QObject::disconnect(socket, &QIODevice::readyRead, this, nullptr);
        idle->stop();
        receive(socket);
    });
}

void WidgetLiveServer::receive(QTcpSocket* socket)
{
    // Peeked, not read: reading would empty the buffer and let Qt fetch more.
    const QByteArray bytes = socket->peek(maximumRequestBytes);
    if (!WidgetRequest::isServed(bytes, serverPort())) {
        respond(socket, "404 Not Found", {});
        return;
    }
    answer(QPointer(this), QPointer(socket));
}

QCoro::Task<> WidgetLiveServer::answer(QPointer<WidgetLiveServer> server, QPointer<QTcpSocket> socket)
{
    if (!server)
        co_return;
    QCoro::Task<WidgetUsageSnapshot> building = server->m_model.widgetSnapshot();
    const WidgetUsageSnapshot snapshot = co_await building;
    // A server destroyed meanwhile never answers; its sockets went with it.
    if (!server || !socket)
        co_return;
    if (const std::optional<QByteArray> json = snapshot.toJsonBytes())
        respond(socket, "200 OK", *json);
    else
        respond(socket, "500 Internal Server Error", {});
}

QByteArray WidgetLiveServer::response(QByteArrayView status, const QByteArray& body)
{
    QByteArray bytes = "HTTP/1.1 "_ba;
    bytes += status;
    bytes += "\r\nContent-Type: application/json\r\nCache-Control: no-store\r\nContent-Length: "_ba;
    bytes += QByteArray::number(body.size());
    bytes += "\r\nConnection: close\r\n\r\n"_ba;
    bytes += body;
    return bytes;
}

void WidgetLiveServer::respond(QTcpSocket* socket, QByteArrayView status, const QByteArray& body)
{
    socket->write(response(status, body));
    // Closes once everything is written; a peer that is gone ends the same way.
    socket->disconnectFromHost();
    if (socket->state() == QAbstractSocket::UnconnectedState)
        socket->deleteLater();
}

} // namespace tallyvane
