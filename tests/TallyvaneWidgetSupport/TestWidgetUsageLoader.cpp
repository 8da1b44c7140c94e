#include <TallyvaneWidgetSupport/WidgetUsageLoader.h>

#include <QCoroTask>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

const WidgetDate clockTime = WidgetDate::fromSecondsSinceReferenceDate(790'000'000.5);
const QByteArray document =
    R"({"updatedAt":5.5,"providers":[{"service":"codex","state":"available","windows":[]}]})"_ba;

QByteArray answer(const QByteArray& statusLine, const QByteArray& body)
{
    return statusLine + "\r\nContent-Type: application/json\r\nContent-Length: "_ba +
           QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n"_ba + body;
}

// Answers every request with fixed bytes (none: stays silent) and keeps what it was sent. A
// trickling server sends the headers at once and then the body one byte at a time, a byte
// every tenth of a second.
class ScriptedServer : public QTcpServer {
public:
    explicit ScriptedServer(QByteArray reply, bool trickles = false)
    {
        QVERIFY(listen(QHostAddress::LocalHost));
        connect(this, &QTcpServer::newConnection, this, [this, reply, trickles] {
            QTcpSocket* socket = nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket, reply, trickles] {
                received += socket->readAll();
                if (!received.contains("\r\n\r\n") || reply.isEmpty() || unsent > 0)
                    return;
                if (!trickles) {
                    socket->write(reply);
                    socket->disconnectFromHost();
                    return;
                }
                const qsizetype body = reply.indexOf("\r\n\r\n") + 4;
                socket->write(reply.left(body));
                unsent = reply.size() - body;
                auto* timer = new QTimer(socket);
                connect(timer, &QTimer::timeout, socket, [this, socket, reply] {
                    socket->write(reply.right(unsent).left(1));
                    if (--unsent == 0)
                        socket->disconnectFromHost();
                });
                timer->start(100ms);
            });
        });
    }
    QByteArray received;
    qsizetype unsent = 0; // bytes of a trickled answer not sent yet
};

} // namespace

class TestWidgetUsageLoader : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void liveFetch_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("error"); // -1: the document arrives
        QTest::addColumn<bool>("trickles");
        const int invalid = int(WidgetUsageLoaderError::invalidResponse);
        const int transport = int(WidgetUsageLoaderError::transportFailed);
        QTest::newRow("200 with document") << answer("HTTP/1.1 200 OK"_ba, document) << -1 << false;
        QTest::newRow("404") << answer("HTTP/1.1 404 Not Found"_ba, document) << invalid << false;
        QTest::newRow("500") << answer("HTTP/1.1 500 Internal Server Error"_ba, {}) << invalid << false;
        QTest::newRow("redirect not followed") << "HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:9/\r\n"
                                                  "Content-Length: 0\r\n\r\n"_ba
                                               << invalid << false;
        QTest::newRow("200 with unknown state")
            << answer("HTTP/1.1 200 OK"_ba, QByteArray(document).replace("available", "paused"))
            << int(WidgetUsageLoaderError::undecodableDocument) << false;
        QTest::newRow("not HTTP") << "garbage\r\n\r\n"_ba << transport << false;
        QTest::newRow("body over the limit")
            << answer("HTTP/1.1 200 OK"_ba, QByteArray(WidgetUsageLoader::liveBodyLimit + 1, ' '))
            << transport << false;
        QTest::newRow("silent server times out") << QByteArray() << transport << false;
        QTest::newRow("closed port") << QByteArray("closed") << transport << false;
        // Each byte comes well within the silence allowed, yet the whole body takes seconds.
        QTest::newRow("trickled document") << answer("HTTP/1.1 200 OK"_ba, document) << transport << true;
    }

    void liveFetch()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, error);
        QFETCH(bool, trickles);
        ScriptedServer server(reply, trickles);
        QUrl endpoint(u"http://127.0.0.1/widget/v1"_s);
        endpoint.setPort(server.serverPort());
        if (reply == "closed")
            server.close();

        const WidgetUsageLoader loader(WidgetUsageLoader::liveFetch(endpoint, 300ms),
                                       [] { return clockTime; });
        const WidgetUsageLoader::FetchResult result = QCoro::waitFor(loader.fetch()());
        if (error < 0) {
            QVERIFY(result);
            QCOMPARE(*result, *WidgetUsageSnapshot::fromJsonBytes(document));
            QVERIFY(server.received.startsWith("GET /widget/v1 HTTP/1.1\r\n"));
            QVERIFY(server.received.contains("\r\nCache-Control: no-store\r\n"));
            QVERIFY(!server.received.contains("Cookie"));
            QCOMPARE(QCoro::waitFor(loader.load()), result.value());
            return;
        }
        QCOMPARE(result, std::unexpected(WidgetUsageLoaderError(error)));
        if (trickles)
            QVERIFY(server.unsent > 0); // given up long before the peer was done
        QCOMPARE(QCoro::waitFor(loader.load()), WidgetUsageLoader::fallback(clockTime));
    }

    void liveEndpointIsTheLoopbackDocument()
    {
        QCOMPARE(WidgetUsageLoader::liveEndpoint(), QUrl(u"http://127.0.0.1:47392/widget/v1"_s));
    }
};

QTEST_GUILESS_MAIN(TestWidgetUsageLoader)
#include "TestWidgetUsageLoader.moc"
