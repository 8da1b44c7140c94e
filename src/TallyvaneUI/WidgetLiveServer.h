#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>

#include <QCoroTask>

#include <chrono>
#include <memory>

class QTcpServer;
class QTcpSocket;

namespace tallyvane {

class UsageAppModel;

// Serves the widget document over plain HTTP on the loopback interface: one request per
// connection, one resource, "/widget/v1". Lives on the main thread next to the model.
class WidgetLiveServer : public QObject {
    Q_OBJECT

public:
    static constexpr quint16 defaultPort = 47392;
    static constexpr qint64 maximumRequestBytes = 4096;

    struct Limits {
        quint16 port = defaultPort; // 0 picks a free port
        // A client that connects and sends nothing is dropped after this long.
        std::chrono::milliseconds idleTimeout{10000};
        // Connections beyond this many are closed at once.
        int maximumConnections = 64;
    };

    explicit WidgetLiveServer(UsageAppModel& model, QObject* parent = nullptr);
    WidgetLiveServer(UsageAppModel& model, Limits limits, QObject* parent = nullptr);
    ~WidgetLiveServer() override;

    // Does nothing when already listening; a port that cannot be bound leaves the server
    // without a listener, silently and for good.
    void start();
    // Stops accepting; connections already open are still answered.
    void stop();
    bool isListening() const;
    // The bound port, or 0 when not listening.
    quint16 serverPort() const;
    int connectionCount() const { return m_connectionCount; }

    // The whole response: header lines in a fixed order, then the body.
    static QByteArray response(QByteArrayView status, const QByteArray& body);

private:
    void acceptPending();
    void accept(QTcpSocket* socket);
    void receive(QTcpSocket* socket);
    static void respond(QTcpSocket* socket, QByteArrayView status, const QByteArray& body);
    static QCoro::Task<> answer(QPointer<WidgetLiveServer> server, QPointer<QTcpSocket> socket);

    UsageAppModel& m_model;
    const Limits m_limits;
    std::unique_ptr<QTcpServer> m_listener;
    int m_connectionCount = 0;
};

} // namespace tallyvane
