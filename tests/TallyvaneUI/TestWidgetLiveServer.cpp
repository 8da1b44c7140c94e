#include <TallyvaneUI/Preferences.h>
#include <TallyvaneUI/UsageAppModel.h>
#include <TallyvaneUI/UsageNotifications.h>
#include <TallyvaneUI/WidgetLiveServer.h>
#include <TallyvaneUI/WidgetSnapshotBuilder.h>

#include "FakeAuthenticator.h"
#include "FakeProvider.h"
#include "ManualClock.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

namespace {

struct Fixture {
    QTemporaryDir directory;
    Preferences preferences{directory.filePath(u"preferences.json"_s)};
    UsageNotificationController notifications{nullptr, [] { return UsageAlertSettings{}; }};
    ManualClock clock;
    std::shared_ptr<FakeAuthenticator> authentication = std::make_shared<FakeAuthenticator>();
    std::shared_ptr<FakeProvider> codex = FakeProvider::create(providerID(ProviderService::codex));
    std::shared_ptr<FakeProvider> claude = FakeProvider::create(providerID(ProviderService::claude));
    UsageAppModel model{
        authentication,
        UsageAppModel::ProviderMap{{ProviderService::codex, codex}, {ProviderService::claude, claude}},
        clock.function(),
        preferences,
        notifications,
        UsageAppModel::Timing{.tick = std::chrono::hours(1)}};
    std::unique_ptr<WidgetLiveServer> server;

    explicit Fixture(WidgetLiveServer::Limits limits = {.port = 0})
    {
        codex->answerWithWindowAnd({});
        claude->answerWithWindowAnd({});
        server = std::make_unique<WidgetLiveServer>(model, limits);
        server->start();
    }
    int collections() const { return codex->collectCount() + claude->collectCount(); }
};

// One client connection; collects everything the server sends until it closes.
struct Client {
    QTcpSocket socket;
    QByteArray received;

    Client(quint16 port, const QByteArray& request)
    {
        QObject::connect(&socket, &QIODevice::readyRead, [this] { received += socket.readAll(); });
        socket.connectToHost(QHostAddress::LocalHost, port);
        socket.waitForConnected(5000);
        if (!request.isEmpty())
            socket.write(request);
    }
    bool waitClosed(int milliseconds = 5000)
    {
        if (socket.state() != QAbstractSocket::UnconnectedState) {
            QSignalSpy closed(&socket, &QAbstractSocket::disconnected);
            if (!closed.wait(milliseconds))
                return false;
        }
        received += socket.readAll();
        return true;
    }
    QByteArray statusLine() const { return received.left(received.indexOf("\r\n")); }
    QByteArray body() const { return received.mid(received.indexOf("\r\n\r\n") + 4); }
};

QByteArray getRequest(const QByteArray& host)
{
    return "GET /widget/v1 HTTP/1.1\r\nHost: " + host + "\r\nAccept: */*\r\n\r\n";
}

UsageWindowSample sample(std::optional<double> used, std::optional<double> remaining, UsageWindowKind kind)
{
    return {.providerBucketID = u"bucket"_s,
            .windowKind = kind,
            .usedFraction = used.and_then(&Decimal::fromDouble),
            .remainingFraction = remaining.and_then(&Decimal::fromDouble)};
}

} // namespace

class TestWidgetLiveServer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void answersOnlyTheExactRequest_data();
    void answersOnlyTheExactRequest();
    void servedDocumentHasExactHeaders();
    void requestDuringRefreshWaitsForIt();
    void destroyedServerNeverAnswers();
    void idleConnectionIsClosed();
    void connectionsBeyondTheCapAreClosed();
    void takenPortLeavesNoListener();
    void buildsProviderUsage_data();
    void buildsProviderUsage();
};

void TestWidgetLiveServer::answersOnlyTheExactRequest_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("status");
    const QByteArray notFound = "HTTP/1.1 404 Not Found";
    QTest::newRow("exact") << getRequest("localhost") << "HTTP/1.1 200 OK"_ba;
    QTest::newRow("trailing slash") << "GET /widget/v1/ HTTP/1.1\r\nHost: localhost\r\n\r\n"_ba << notFound;
    QTest::newRow("POST") << "POST /widget/v1 HTTP/1.1\r\nHost: localhost\r\n\r\n"_ba << notFound;
    QTest::newRow("lower-case get") << "get /widget/v1 HTTP/1.1\r\nHost: localhost\r\n\r\n"_ba << notFound;
    QTest::newRow("not UTF-8") << "GET /widget/v1 HTTP/1.1\r\nHost: localhost\r\nX: \xff\r\n\r\n"_ba
                               << notFound;
    QTest::newRow("rebound host") << getRequest("evil.example") << notFound;
    QTest::newRow("localhost, other port") << getRequest("localhost:8080") << notFound;
    QTest::newRow("no host") << "GET /widget/v1 HTTP/1.1\r\n\r\n"_ba << notFound;
    QTest::newRow("prefix split across reads") << "GET /widget/v"_ba << notFound;
}

void TestWidgetLiveServer::answersOnlyTheExactRequest()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, status);
    Fixture f;
    Client client(f.server->serverPort(), request);
    QVERIFY(client.waitClosed());
    QCOMPARE(client.statusLine(), status);
    QCOMPARE(f.collections(), status.endsWith("200 OK") ? 2 : 0);
}

void TestWidgetLiveServer::servedDocumentHasExactHeaders()
{
    Fixture f;
    Client client(f.server->serverPort(),
                  getRequest("127.0.0.1:" + QByteArray::number(f.server->serverPort())));
    QVERIFY(client.waitClosed()); // closed by the server after the body
    const QByteArray body = client.body();
    QCOMPARE(
        client.received.left(client.received.size() - body.size()),
        "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nCache-Control: no-store\r\nContent-Length: " +
            QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n");
    const std::optional<WidgetUsageSnapshot> document = WidgetUsageSnapshot::fromJsonBytes(body);
    QVERIFY(document);
    QCOMPARE(document->updatedAt.secondsSince1970(), f.clock.current().secondsSince1970());
    QCOMPARE(document->providers.size(), 2);
    QCOMPARE(document->providers[0].state, WidgetProviderState::available);
}

void TestWidgetLiveServer::requestDuringRefreshWaitsForIt()
{
    Fixture f;
    f.codex->hold();
    QCoro::Task<> running = f.model.refresh(RefreshTrigger::manual);
    Client client(f.server->serverPort(), getRequest("localhost"));
    QVERIFY(!client.waitClosed(300)); // still waiting for the held refresh
    QVERIFY(client.received.isEmpty());
    f.codex->release();
    QVERIFY(client.waitClosed());
    QCOMPARE(client.statusLine(), "HTTP/1.1 200 OK"_ba);
    QCOMPARE(f.collections(), 2); // the running refresh only
    QCoro::waitFor(running);
}

void TestWidgetLiveServer::destroyedServerNeverAnswers()
{
    Fixture f;
    f.codex->hold();
    Client client(f.server->serverPort(), getRequest("localhost"));
    QTRY_COMPARE(f.codex->pendingCount(), 1);
    f.server.reset();
    f.codex->release();
    QVERIFY(client.waitClosed());
    QTRY_VERIFY(!f.model.isRefreshing());
    QVERIFY(client.received.isEmpty());
}

void TestWidgetLiveServer::idleConnectionIsClosed()
{
    Fixture f({.port = 0, .idleTimeout = std::chrono::milliseconds(100)});
    Client client(f.server->serverPort(), {});
    QVERIFY(client.waitClosed());
    QVERIFY(client.received.isEmpty());
    QTRY_COMPARE(f.server->connectionCount(), 0);
}

void TestWidgetLiveServer::connectionsBeyondTheCapAreClosed()
{
    Fixture f;
    std::vector<std::unique_ptr<Client>> idle;
    for (int i = 1; i <= 64; ++i) { // one at a time, so the listen backlog never fills
        idle.push_back(std::make_unique<Client>(f.server->serverPort(), QByteArray()));
        QTRY_COMPARE(f.server->connectionCount(), i);
    }
    Client refused(f.server->serverPort(), getRequest("localhost"));
    QVERIFY(refused.waitClosed());
    QVERIFY(refused.received.isEmpty());
    QCOMPARE(f.server->connectionCount(), 64);

    idle.front()->socket.disconnectFromHost();
    QTRY_COMPARE(f.server->connectionCount(), 63);
    Client served(f.server->serverPort(), getRequest("localhost"));
    QVERIFY(served.waitClosed());
    QCOMPARE(served.statusLine(), "HTTP/1.1 200 OK"_ba);
}

void TestWidgetLiveServer::takenPortLeavesNoListener()
{
    QTcpServer other;
    QVERIFY(other.listen(QHostAddress::LocalHost, 0));
    Fixture f({.port = other.serverPort()});
    QVERIFY(!f.server->isListening());
}

void TestWidgetLiveServer::buildsProviderUsage_data()
{
    QTest::addColumn<QList<UsageWindowSample>>("windows");
    QTest::addColumn<ProviderConnectionStatus>("status");
    QTest::addColumn<WidgetProviderState>("state");
    QTest::addColumn<QList<WidgetWindow>>("expected");
    const auto signedIn = ProviderConnectionStatus::signedIn;
    QTest::newRow("used fraction") << QList{sample(0.25, std::nullopt, UsageWindowKind::fiveHour)} << signedIn
                                   << WidgetProviderState::available
                                   << QList{WidgetWindow(u"bucket"_s, u"Five-hour"_s, 0.25, std::nullopt)};
    QTest::newRow("remaining only, weekly")
        << QList{sample(std::nullopt, 0.75, UsageWindowKind::sevenDay)} << signedIn
        << WidgetProviderState::available
        << QList{WidgetWindow(u"bucket"_s, u"Weekly"_s, 0.25, std::nullopt)};
    QTest::newRow("no fraction, signed in")
        << QList{sample(std::nullopt, std::nullopt, UsageWindowKind::fiveHour)} << signedIn
        << WidgetProviderState::unavailable << QList<WidgetWindow>{};
    QTest::newRow("no fraction, signed out")
        << QList{sample(std::nullopt, std::nullopt, UsageWindowKind::fiveHour)}
        << ProviderConnectionStatus::signedOut << WidgetProviderState::signInRequired
        << QList<WidgetWindow>{};
}

void TestWidgetLiveServer::buildsProviderUsage()
{
    QFETCH(QList<UsageWindowSample>, windows);
    QFETCH(ProviderConnectionStatus, status);
    QFETCH(WidgetProviderState, state);
    QFETCH(QList<WidgetWindow>, expected);
    const QList<ProviderViewState> providers{{.service = ProviderService::claude, .windows = windows}};
    const QHash<ProviderService, ProviderConnectionState> connections{
        {ProviderService::claude, {ProviderService::claude, status, std::nullopt}}};
    const WidgetUsageSnapshot snapshot =
        WidgetSnapshotBuilder::snapshot(Instant::fromSecondsSince1970(1000), providers, connections);
    QCOMPARE(snapshot.providers.size(), 2);
    // codex has no view state at all: unavailable, whatever its connection.
    QCOMPARE(snapshot.providers[0],
             (WidgetProviderUsage{WidgetProviderService::codex, WidgetProviderState::unavailable, {}}));
    QCOMPARE(snapshot.providers[1], (WidgetProviderUsage{WidgetProviderService::claude, state, expected}));
}

QTEST_GUILESS_MAIN(TestWidgetLiveServer)
#include "TestWidgetLiveServer.moc"
