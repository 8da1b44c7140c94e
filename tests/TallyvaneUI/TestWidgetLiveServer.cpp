#include <TallyvaneUI/WidgetLiveServer.h>
#include <TallyvaneUI/WidgetSnapshotBuilder.h>

#include "AppModelFixture.h"
#include "HttpTestClient.h"

#include <QFile>
#include <QTcpServer>
#include <QTest>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

namespace {

// The shared model rig with a widget server in front of it.
struct Fixture : AppModelFixture {
    std::unique_ptr<WidgetLiveServer> server;

    explicit Fixture(WidgetLiveServer::Limits limits = {.port = 0},
                     UsageAppModel::Timing timing = {.tick = std::chrono::hours(1)})
        : AppModelFixture(nullptr, timing)
        , server(std::make_unique<WidgetLiveServer>(*model, limits))
    {
        server->start();
    }
};

using Client = HttpTestClient;

constexpr auto getRequest = &HttpTestClient::widgetRequest;

std::optional<WidgetUsageSnapshot> document(const Client& client)
{
    return WidgetUsageSnapshot::fromJsonBytes(client.body());
}

qint64 residentBytes()
{
    QFile statm(u"/proc/self/statm"_s);
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    return statm.readAll().split(' ').value(1).toLongLong() * ::sysconf(_SC_PAGESIZE);
}

// Connections that send a valid request and then keep sending filler, on a thread of their
// own with plain non-blocking sockets, so that nothing they send is buffered in this process.
// A connection stops at its quota or when the peer resets it; all stop once none has made
// progress for a while, which is what a server that stopped reading leads to.
struct StreamingClients {
    static constexpr qint64 chunk = 64 * 1024;

    qint64 sent = 0;
    int connected = 0;

    void run(quint16 port, int count, qint64 quota)
    {
        using Clock = std::chrono::steady_clock;
        const std::vector<char> filler(chunk, 'x');
        const QByteArray request = getRequest("localhost");
        std::vector<int> sockets;
        std::vector<qint64> left;
        for (int i = 0; i < count; ++i) {
            const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_port = htons(port);
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
                ::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL) != request.size()) {
                if (fd >= 0)
                    ::close(fd);
                continue;
            }
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
            sockets.push_back(fd);
            left.push_back(quota);
        }
        connected = int(sockets.size());
        const Clock::time_point deadline = Clock::now() + std::chrono::seconds(60);
        Clock::time_point lastProgress = Clock::now();
        while (Clock::now() < deadline && Clock::now() - lastProgress < std::chrono::seconds(1)) {
            std::vector<pollfd> ready;
            for (std::size_t i = 0; i < sockets.size(); ++i) {
                if (left[i] > 0)
                    ready.push_back({sockets[i], POLLOUT, 0});
            }
            if (ready.empty() || ::poll(ready.data(), ready.size(), 100) < 0)
                break;
            for (std::size_t i = 0, r = 0; i < sockets.size(); ++i) {
                if (left[i] <= 0 || !(ready[r++].revents & (POLLOUT | POLLERR | POLLHUP)))
                    continue;
                const ssize_t written = ::send(sockets[i], filler.data(), size_t(std::min(left[i], chunk)),
                                               MSG_NOSIGNAL | MSG_DONTWAIT);
                if (written > 0) {
                    left[i] -= written;
                    sent += written;
                    lastProgress = Clock::now();
                } else if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                    left[i] = 0; // reset by the server
                }
            }
        }
        for (const int fd : sockets)
            ::close(fd);
    }
};

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
    void answersOnlyTheExactRequest_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("status");
        const QByteArray notFound = "HTTP/1.1 404 Not Found";
        QTest::newRow("trailing slash")
            << "GET /widget/v1/ HTTP/1.1\r\nHost: localhost\r\n\r\n"_ba << notFound;
        QTest::newRow("POST") << "POST /widget/v1 HTTP/1.1\r\nHost: localhost\r\n\r\n"_ba << notFound;
        QTest::newRow("lower-case get")
            << "get /widget/v1 HTTP/1.1\r\nHost: localhost\r\n\r\n"_ba << notFound;
        QTest::newRow("not UTF-8") << "GET /widget/v1 HTTP/1.1\r\nHost: localhost\r\nX: \xff\r\n\r\n"_ba
                                   << notFound;
        QTest::newRow("rebound host") << getRequest("evil.example") << notFound;
        QTest::newRow("localhost, other port") << getRequest("localhost:8080") << notFound;
        QTest::newRow("no host") << "GET /widget/v1 HTTP/1.1\r\n\r\n"_ba << notFound;
        QTest::newRow("a second host")
            << "GET /widget/v1 HTTP/1.1\r\nHost: localhost\r\nHost: evil.example\r\n\r\n"_ba << notFound;
        QTest::newRow("prefix split across reads") << "GET /widget/v"_ba << notFound;
        QTest::newRow("headers cut off") << "GET /widget/v1 HTTP/1.1\r\nHost: localhost\r\n"_ba << notFound;
        // What a browser adds when a page makes it send the request; the loader, curl and a typed
        // address send none of it.
        const auto withHeader = [](const QByteArray& header) -> QByteArray {
            return "GET /widget/v1 HTTP/1.1\r\nHost: 127.0.0.1\r\n" + header + "\r\nAccept: */*\r\n\r\n";
        };
        QTest::newRow("page's origin") << withHeader("Origin: http://evil.example") << notFound;
        QTest::newRow("opaque origin") << withHeader("origin: null") << notFound;
        QTest::newRow("cross-site fetch") << withHeader("Sec-Fetch-Site: cross-site") << notFound;
        QTest::newRow("same-site fetch") << withHeader("Sec-Fetch-Site: same-site") << notFound;
        QTest::newRow("same-origin fetch") << withHeader("sec-fetch-site: same-origin") << notFound;
        QTest::newRow("typed address") << withHeader("Sec-Fetch-Site: none") << "HTTP/1.1 200 OK"_ba;
        // A laxer reader would see the Origin line that a CR LF reading folds into the request line.
        QTest::newRow("origin behind a bare line feed")
            << "GET /widget/v1 HTTP/1.1\nOrigin: http://evil.example\r\nHost: localhost\r\n\r\n"_ba
            << notFound;
        QTest::newRow("bare carriage return")
            << "GET /widget/v1 HTTP/1.1\r\nHost: localhost\rX: y\r\n\r\n"_ba << notFound;
    }

    void answersOnlyTheExactRequest()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, status);
        Fixture f;
        Client client(f.server->serverPort(), request);
        QVERIFY(client.waitClosed());
        QCOMPARE(client.statusLine(), status);
        QCOMPARE(f.collections(), status.endsWith("200 OK") ? 2 : 0);
    }

    void servedDocumentHasExactHeaders()
    {
        Fixture f;
        Client client(f.server->serverPort(),
                      getRequest("127.0.0.1:" + QByteArray::number(f.server->serverPort())));
        QVERIFY(client.waitClosed()); // closed by the server after the body
        QCOMPARE(f.collections(), 2);
        const QByteArray body = client.body();
        QCOMPARE(client.received().left(client.received().size() - body.size()),
                 "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nCache-Control: "
                 "no-store\r\nContent-Length: " +
                     QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n");
        const std::optional<WidgetUsageSnapshot> document = WidgetUsageSnapshot::fromJsonBytes(body);
        QVERIFY(document);
        QCOMPARE(document->updatedAt.secondsSince1970(), f.clock.current().secondsSince1970());
        QCOMPARE(document->providers.size(), 2);
        QCOMPARE(document->providers[0].state, WidgetProviderState::available);
    }

    // Status bars poll every few seconds: within a minute of a completed refresh the published
    // state is served as it is.
    void recentRefreshIsServedFromState_data()
    {
        QTest::addColumn<double>("secondsLater");
        QTest::addColumn<bool>("refreshes");
        QTest::newRow("59 s later") << 59.0 << false;
        QTest::newRow("60 s later") << 60.0 << true;
        QTest::newRow("clock set back") << -5.0 << true;
    }

    void recentRefreshIsServedFromState()
    {
        QFETCH(double, secondsLater);
        QFETCH(bool, refreshes);
        Fixture f;
        f.refresh();
        const Instant refreshedAt = f.clock.current();
        f.clock.advance(secondsLater);
        Client client(f.server->serverPort(), getRequest("localhost"));
        QVERIFY(client.waitClosed());
        QCOMPARE(client.statusLine(), "HTTP/1.1 200 OK"_ba);
        QCOMPARE(f.collections(), refreshes ? 4 : 2);
        QVERIFY(document(client));
        QCOMPARE(document(client)->updatedAt.secondsSince1970(),
                 (refreshes ? f.clock.current() : refreshedAt).secondsSince1970());
    }

    // A refresh slower than the client's patience: the request is answered from the state published
    // before, and the refresh goes on; what it publishes then is fresh for the next request.
    void slowRefreshIsAnsweredFromLastState()
    {
        Fixture f({.port = 0}, {.tick = std::chrono::hours(1), .widgetPatience = std::chrono::seconds(2)});
        f.refresh();
        const Instant earlier = f.clock.current();
        f.clock.advance(120);
        f.codex->hold();
        Client waiting(f.server->serverPort(), getRequest("localhost"));
        QVERIFY(waiting.waitClosed(3500)); // the patience, with room for a busy machine
        QCOMPARE(waiting.statusLine(), "HTTP/1.1 200 OK"_ba);
        QCOMPARE(document(waiting)->updatedAt.secondsSince1970(), earlier.secondsSince1970());
        QVERIFY(f.model->isRefreshing());

        // A request joining the same refresh waits as long, and starts nothing more.
        Client joining(f.server->serverPort(), getRequest("localhost"));
        QVERIFY(joining.waitClosed());
        QCOMPARE(document(joining)->updatedAt.secondsSince1970(), earlier.secondsSince1970());
        QCOMPARE(f.collections(), 4);

        f.codex->release();
        QTRY_VERIFY(!f.model->isRefreshing());
        Client after(f.server->serverPort(), getRequest("localhost"));
        QVERIFY(after.waitClosed());
        QCOMPARE(document(after)->updatedAt.secondsSince1970(), f.clock.current().secondsSince1970());
        QCOMPARE(f.collections(), 4);

        // Status bars give up on a request after ten seconds; by default it is answered before.
        QVERIFY(UsageAppModel::Timing{}.widgetPatience < std::chrono::seconds(10));
    }

    // Codex failed and backs off for ten minutes; a widget asking a minute later must not collect
    // it early, as only the user's own refresh may.
    void widgetRefreshHonoursBackoff()
    {
        Fixture f({.port = 0}, {.tick = std::chrono::hours(1), .initialBackoff = 600});
        f.codex->answerWithDiagnostics(
            {FakeProvider::diagnostic(DiagnosticSeverity::error, u"codex.failed"_s)});
        f.refresh();
        QVERIFY(f.model->coordinator().nextAutomaticRefreshAt(providerID(ProviderService::codex)));
        f.clock.advance(61);
        Client client(f.server->serverPort(), getRequest("localhost"));
        QVERIFY(client.waitClosed());
        QCOMPARE(client.statusLine(), "HTTP/1.1 200 OK"_ba);
        QCOMPARE(f.codex->collectCount(), 1);
        QCOMPARE(f.claude->collectCount(), 2);
    }

    // Clients that keep sending after a valid request while it waits for a refresh: the server
    // keeps no more than the request's bytes of each, so its memory stays where it was.
    void nothingAfterTheRequestIsBuffered()
    {
        constexpr int connections = 64;
        // A server that stops reading lets each connection fill only the kernel's buffers (a few
        // MiB on loopback) before the sender stalls, so the test ends in seconds; one that reads on
        // would take all of it.
        constexpr qint64 quota = 100 * 1024 * 1024;
        Fixture f({.port = 0, .maximumConnections = connections},
                  {.tick = std::chrono::hours(1), .widgetPatience = std::chrono::minutes(5)});
        f.codex->hold();
        const qint64 before = residentBytes();

        StreamingClients clients;
        std::atomic<bool> finished = false;
        std::thread streaming([&] {
            clients.run(f.server->serverPort(), connections, quota);
            finished = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(finished, 90'000);
        streaming.join();
        const qint64 grown = residentBytes() - before;
        QCOMPARE(clients.connected, connections);
        QCOMPARE(f.codex->pendingCount(), 1); // every request is still waiting for the refresh
        QVERIFY2(grown < 10 * 1024 * 1024,
                 qPrintable(u"resident memory grew by %1 bytes while clients sent %2"_s.arg(grown).arg(
                     clients.sent)));
        f.codex->release();
        QTRY_COMPARE(f.server->connectionCount(), 0);
    }

    void destroyedServerNeverAnswers()
    {
        Fixture f;
        f.codex->hold();
        Client client(f.server->serverPort(), getRequest("localhost"));
        QTRY_COMPARE(f.codex->pendingCount(), 1);
        f.server.reset();
        f.codex->release();
        QVERIFY(client.waitClosed());
        QTRY_VERIFY(!f.model->isRefreshing());
        // The abandoned request's wait ends on the next turn of the event loop, and with it the
        // request, without answering.
        QCoreApplication::processEvents();
        QVERIFY(client.received().isEmpty());
    }

    void idleConnectionIsClosed()
    {
        Fixture f({.port = 0, .idleTimeout = std::chrono::milliseconds(100)});
        Client client(f.server->serverPort(), {});
        QVERIFY(client.waitClosed());
        QVERIFY(client.received().isEmpty());
        QTRY_COMPARE(f.server->connectionCount(), 0);
    }

    void connectionsBeyondTheCapAreClosed()
    {
        Fixture f;
        std::vector<std::unique_ptr<Client>> idle;
        for (int i = 1; i <= 64; ++i) { // one at a time, so the listen backlog never fills
            idle.push_back(std::make_unique<Client>(f.server->serverPort(), QByteArray()));
            QTRY_COMPARE(f.server->connectionCount(), i);
        }
        Client refused(f.server->serverPort(), getRequest("localhost"));
        QVERIFY(refused.waitClosed());
        QVERIFY(refused.received().isEmpty());
        QCOMPARE(f.server->connectionCount(), 64);

        idle.front()->socket().disconnectFromHost();
        QTRY_COMPARE(f.server->connectionCount(), 63);
        Client served(f.server->serverPort(), getRequest("localhost"));
        QVERIFY(served.waitClosed());
        QCOMPARE(served.statusLine(), "HTTP/1.1 200 OK"_ba);
    }

    void takenPortLeavesNoListener()
    {
        QTcpServer other;
        QVERIFY(other.listen(QHostAddress::LocalHost, 0));
        Fixture f({.port = other.serverPort()});
        QVERIFY(!f.server->isListening());
    }

    void buildsProviderUsage_data()
    {
        QTest::addColumn<QList<UsageWindowSample>>("windows");
        QTest::addColumn<ProviderConnectionStatus>("status");
        QTest::addColumn<WidgetProviderState>("state");
        QTest::addColumn<QList<WidgetWindow>>("expected");
        const auto signedIn = ProviderConnectionStatus::signedIn;
        QTest::newRow("used fraction")
            << QList{sample(0.25, std::nullopt, UsageWindowKind::fiveHour)} << signedIn
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

    void buildsProviderUsage()
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
        QCOMPARE(snapshot.providers[1],
                 (WidgetProviderUsage{WidgetProviderService::claude, state, expected}));
    }
};

QTEST_GUILESS_MAIN(TestWidgetLiveServer)
#include "TestWidgetLiveServer.moc"
