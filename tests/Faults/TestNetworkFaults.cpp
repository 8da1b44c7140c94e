#include <ProviderKit/EphemeralNetworkAccess.h>
#include <ProviderKit/HttpExchange.h>

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

namespace {

constexpr std::chrono::milliseconds timeout{1000};
constexpr qint64 slackMs = 1500;

// A loopback peer that misbehaves in one way: it answers a byte at a time forever (in the
// headers or in the body), or floods a body far past any cap.
class MisbehavingServer : public QObject {
public:
    enum class Mode { trickleHeaders, trickleBody, flood };

    explicit MisbehavingServer(Mode mode)
        : m_mode(mode)
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                connect(
                    socket, &QIODevice::readyRead, socket, [this, socket] { answer(socket); },
                    Qt::SingleShotConnection);
        });
        m_ticker.setInterval(100);
        connect(&m_ticker, &QTimer::timeout, this, [this] {
            for (const QPointer<QTcpSocket>& socket : std::as_const(m_trickling)) {
                if (socket && socket->state() == QAbstractSocket::ConnectedState)
                    socket->write("a");
            }
        });
        m_ticker.start();
    }

    QUrl url() const { return QUrl(u"http://127.0.0.1:%1/api/oauth/usage"_s.arg(m_server.serverPort())); }

private:
    void answer(QTcpSocket* socket)
    {
        socket->readAll();
        switch (m_mode) {
        case Mode::trickleHeaders:
            socket->write("HTTP/1.1 200 OK\r\nX-Slow: ");
            m_trickling.append(socket);
            break;
        case Mode::trickleBody:
            socket->write(
                "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 100000\r\n\r\n{");
            m_trickling.append(socket);
            break;
        case Mode::flood:
            // No length announced: only counting what arrives can stop it.
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nConnection: close\r\n\r\n");
            socket->write("{\"a\":\"" + QByteArray(10 << 20, 'x') + "\"}");
            socket->disconnectFromHost();
            break;
        }
    }

    const Mode m_mode;
    QTcpServer m_server;
    QTimer m_ticker;
    QList<QPointer<QTcpSocket>> m_trickling;
};

QString outcome(const HttpExchange::Result& result)
{
    if (!result)
        return caseName(result.error());
    return result->bodyTooLarge ? u"bodyTooLarge"_s : u"status %1"_s.arg(result->statusCode.value_or(0));
}

} // namespace

Q_DECLARE_METATYPE(MisbehavingServer::Mode)

class TestNetworkFaults : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void slowOrHugeAnswerEndsOnTime_data()
    {
        QTest::addColumn<MisbehavingServer::Mode>("mode");
        QTest::addColumn<QString>("expected");
        // GET and POST share the deadline and the cap; the token requests' suite sends POSTs.
        using enum MisbehavingServer::Mode;
        // Each byte comes well within the time-out, so only a deadline for the whole exchange can end these.
        QTest::newRow("headers a byte at a time") << trickleHeaders << u"timedOut"_s;
        QTest::newRow("body a byte at a time") << trickleBody << u"timedOut"_s;
        QTest::newRow("10 MiB body") << flood << u"bodyTooLarge"_s;
    }

    void slowOrHugeAnswerEndsOnTime()
    {
        QFETCH(MisbehavingServer::Mode, mode);
        QFETCH(QString, expected);
        MisbehavingServer server(mode);
        const auto network = EphemeralNetworkAccess::createManager();
        QNetworkRequest request(server.url());

        QElapsedTimer elapsed;
        elapsed.start();
        const HttpExchange::Result result = QCoro::waitFor(HttpExchange::get(*network, request, timeout));
        QCOMPARE(outcome(result), expected);
        QVERIFY2(elapsed.elapsed() <= timeout.count() + slackMs,
                 qPrintable(u"took %1 ms"_s.arg(elapsed.elapsed())));
    }
};

QTEST_GUILESS_MAIN(TestNetworkFaults)
#include "TestNetworkFaults.moc"
