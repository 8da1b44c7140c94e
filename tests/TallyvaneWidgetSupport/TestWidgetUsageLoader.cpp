#include <TallyvaneWidgetSupport/WidgetUsageLoader.h>

#include "ScriptedHttpServer.h"

#include <QCoroTask>
#include <QTest>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

const WidgetDate clockTime = WidgetDate::fromSecondsSinceReferenceDate(790'000'000.5);
const QByteArray document =
    R"({"updatedAt":5.5,"providers":[{"service":"codex","state":"available","windows":[]}]})"_ba;

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
        QTest::newRow("200 with document")
            << ScriptedHttpServer::jsonAnswer("HTTP/1.1 200 OK"_ba, document) << -1 << false;
        QTest::newRow("404") << ScriptedHttpServer::jsonAnswer("HTTP/1.1 404 Not Found"_ba, document)
                             << invalid << false;
        QTest::newRow("redirect not followed") << "HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:9/\r\n"
                                                  "Content-Length: 0\r\n\r\n"_ba
                                               << invalid << false;
        QTest::newRow("200 with unknown state")
            << ScriptedHttpServer::jsonAnswer("HTTP/1.1 200 OK"_ba,
                                              QByteArray(document).replace("available", "paused"))
            << int(WidgetUsageLoaderError::undecodableDocument) << false;
        QTest::newRow("not HTTP") << "garbage\r\n\r\n"_ba << transport << false;
        QTest::newRow("body over the limit")
            << ScriptedHttpServer::jsonAnswer("HTTP/1.1 200 OK"_ba,
                                              QByteArray(WidgetUsageLoader::liveBodyLimit + 1, ' '))
            << transport << false;
        QTest::newRow("silent server times out") << QByteArray() << transport << false;
        QTest::newRow("closed port") << QByteArray("closed") << transport << false;
        // Each byte comes well within the silence allowed, yet the whole body takes seconds.
        QTest::newRow("trickled document")
            << ScriptedHttpServer::jsonAnswer("HTTP/1.1 200 OK"_ba, document) << transport << true;
    }

    void liveFetch()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, error);
        QFETCH(bool, trickles);
        ScriptedHttpServer server(reply, trickles);
        QVERIFY(server.isListening());
        const QUrl endpoint = server.widgetEndpoint();
        if (reply == "closed")
            server.close();

        const WidgetUsageLoader loader(WidgetUsageLoader::liveFetch(endpoint, 300ms),
                                       [] { return clockTime; });
        const WidgetUsageLoader::FetchResult result = QCoro::waitFor(loader.fetch()());
        if (error < 0) {
            QVERIFY(result);
            QCOMPARE(*result, *WidgetUsageSnapshot::fromJsonBytes(document));
            QVERIFY(server.received().startsWith("GET /widget/v1 HTTP/1.1\r\n"));
            QVERIFY(server.received().contains("\r\nCache-Control: no-store\r\n"));
            QVERIFY(!server.received().contains("Cookie"));
            QCOMPARE(QCoro::waitFor(loader.load()), result.value());
            return;
        }
        QCOMPARE(result, std::unexpected(WidgetUsageLoaderError(error)));
        if (trickles)
            QVERIFY(server.unsent() > 0); // given up long before the peer was done
        QCOMPARE(QCoro::waitFor(loader.load()), WidgetUsageLoader::fallback(clockTime));
    }

    void liveEndpointIsTheLoopbackDocument()
    {
        QCOMPARE(WidgetUsageLoader::liveEndpoint(), QUrl(u"http://127.0.0.1:47392/widget/v1"_s));
    }
};

QTEST_GUILESS_MAIN(TestWidgetUsageLoader)
#include "TestWidgetUsageLoader.moc"
