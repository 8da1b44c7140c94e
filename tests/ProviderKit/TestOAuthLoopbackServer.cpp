#include <ProviderKit/OAuthCallbackRequest.h>
#include <ProviderKit/OAuthLoopbackServer.h>

#include "ProcessProbes.h"

#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;
using namespace tallyvane::testing;

namespace {

const QUrl platformBase(u"https://platform.example.test/"_s);
const QByteArray expectedReply =
    "HTTP/1.1 302 Found\r\n"
    "Location: https://platform.example.test/oauth/code/success?app=claude-code\r\n"
    "Content-Length: 0\r\nConnection: close\r\n\r\n"_ba;

std::shared_ptr<OAuthLoopbackServer> makeServer()
{
    auto created = OAuthLoopbackServer::create(platformBase);
    if (!created)
        qFatal("the loopback server could not be created");
    return *created;
}

OAuthLoopbackServer::Received waitFor(OAuthLoopbackServer& server, double timeoutSeconds)
{
    return QCoro::waitFor(server.waitForCallback(timeoutSeconds));
}

// Plays the browser over a plain blocking socket.
class Client {
public:
    explicit Client(quint16 port)
        : m_descriptor(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_in target{};
        target.sin_family = AF_INET;
        target.sin_port = htons(port);
        target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_connected = ::connect(m_descriptor, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0;
    }
    ~Client() { ::close(m_descriptor); }

    bool connected() const { return m_connected; }

    bool send(const QByteArray& bytes) const
    {
        return ::send(m_descriptor, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL) == bytes.size();
    }

    // Everything the server sent before closing (a reset counts as closing).
    QByteArray receiveAll() const
    {
        QByteArray received;
        pollfd entry{.fd = m_descriptor, .events = POLLIN, .revents = 0};
        while (::poll(&entry, 1, 10'000) > 0) {
            char chunk[4096];
            const ssize_t count = ::recv(m_descriptor, chunk, sizeof chunk, 0);
            if (count <= 0)
                return received;
            received.append(chunk, count);
        }
        qWarning("the server neither replied nor closed the connection");
        return received + "<still open>";
    }

private:
    int m_descriptor;
    bool m_connected = false;
};

struct Exchange {
    OAuthLoopbackServer::Received callback;
    QByteArray reply;
};

// One browser visit to a fresh server: the callback it produced and whatever the server answered.
Exchange visit(const QByteArray& request, double timeout = 10)
{
    const auto server = makeServer();
    Client browser(server->port());
    if (!browser.connected() || (!request.isEmpty() && !browser.send(request)))
        qFatal("the browser could not reach the loopback server");
    auto callback = waitFor(*server, timeout);
    return {.callback = std::move(callback), .reply = browser.receiveAll()};
}

} // namespace

class TestOAuthLoopbackServer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void listensOnLoopbackOnly();
    void returnsCallbackAndRedirects_data();
    void returnsCallbackAndRedirects();
    void waitRunsOffTheCallingThread();
    void rejectsWithoutReplying_data();
    void rejectsWithoutReplying();
    void timesOutWithoutConnection_data();
    void timesOutWithoutConnection();
    void keepsListeningUntilDestroyed();
    void waitKeepsServerAliveWhenCallerLetsGo();
    void closesEveryDescriptor();
    void rejectsRelativePlatformBase();
};

void TestOAuthLoopbackServer::listensOnLoopbackOnly()
{
    const auto server = makeServer();
    QCOMPARE(server->redirectURI(), u"http://localhost:%1/callback"_s.arg(server->port()));
    QVERIFY(::fcntl(server->socketDescriptor(), F_GETFD) & FD_CLOEXEC);

    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    QCOMPARE(::getsockname(server->socketDescriptor(), reinterpret_cast<sockaddr*>(&bound), &length), 0);
    QCOMPARE(ntohl(bound.sin_addr.s_addr), quint32(INADDR_LOOPBACK));
    QCOMPARE(ntohs(bound.sin_port), server->port());
}

void TestOAuthLoopbackServer::returnsCallbackAndRedirects_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::newRow("whole request")
        << "GET /callback?code=a%2Fb&state=x%20y HTTP/1.1\r\nHost: localhost\r\n\r\n"_ba;
    // One read is enough: the server does not wait for headers still to come.
    QTest::newRow("request line only") << "GET /callback?code=a%2Fb&state=x%20y HTTP/1.1\r\n"_ba;
}

void TestOAuthLoopbackServer::returnsCallbackAndRedirects()
{
    QFETCH(QByteArray, request);
    const Exchange exchange = visit(request);
    QVERIFY(exchange.callback.has_value());
    QCOMPARE(*exchange.callback, (OAuthCallback{.code = u"a/b"_s, .state = u"x y"_s}));
    QCOMPARE(exchange.reply, expectedReply);
}

void TestOAuthLoopbackServer::waitRunsOffTheCallingThread()
{
    // The browser only arrives through this thread's event loop; a wait that blocked the
    // calling thread would time out first.
    const auto server = makeServer();
    std::unique_ptr<Client> browser;
    QTimer::singleShot(50, this, [&] {
        browser = std::make_unique<Client>(server->port());
        browser->send("GET /callback?code=c&state=s HTTP/1.1\r\n\r\n"_ba);
    });
    QVERIFY(waitFor(*server, 10).has_value());
}

void TestOAuthLoopbackServer::rejectsWithoutReplying_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<double>("timeout");

    QTest::newRow("favicon first") << "GET /favicon.ico HTTP/1.1\r\n\r\n"_ba << 10.0;
    QTest::newRow("missing state") << "GET /callback?code=c HTTP/1.1\r\n\r\n"_ba << 10.0;
    QTest::newRow("garbage") << "\x16\x03\x01\x00\xa5\x01\x00\x00\xa1\x03\x03"_ba << 10.0;
    // A speculative preconnect that never sends must not hold the wait beyond its time-out.
    QTest::newRow("silent connection") << QByteArray() << 0.3;
    // One read only: a request line cut by a segment boundary is not completed by what follows.
    QTest::newRow("cut request line") << "GET /callback?code=abc"_ba << 10.0;
    // The state only appears after the first 16384 bytes, so it is never seen.
    const QByteArray longCode(OAuthLoopbackServer::maximumRequestBytes, 'c');
    QTest::newRow("past one buffer") << "GET /callback?code="_ba + longCode + "&state=s HTTP/1.1\r\n\r\n"_ba
                                     << 10.0;
}

void TestOAuthLoopbackServer::rejectsWithoutReplying()
{
    QFETCH(QByteArray, request);
    QFETCH(double, timeout);
    const Exchange exchange = visit(request, timeout);
    QVERIFY(!exchange.callback.has_value());
    QCOMPARE(exchange.callback.error(), ClaudeOAuthError::invalidCallback);
    QCOMPARE(exchange.reply, QByteArray());
}

void TestOAuthLoopbackServer::timesOutWithoutConnection_data()
{
    QTest::addColumn<double>("timeout");
    QTest::newRow("short timeout") << 0.2;
    QTest::newRow("zero") << 0.0;
    // poll would wait forever on a negative time-out.
    QTest::newRow("negative") << -1.0;
    QTest::newRow("not a number") << std::nan("");
}

void TestOAuthLoopbackServer::timesOutWithoutConnection()
{
    QFETCH(double, timeout);
    const auto callback = waitFor(*makeServer(), timeout);
    QVERIFY(!callback.has_value());
    QCOMPARE(callback.error(), ClaudeOAuthError::callbackFailed);
}

void TestOAuthLoopbackServer::keepsListeningUntilDestroyed()
{
    auto server = makeServer();
    const quint16 port = server->port();
    {
        Client browser(port);
        QVERIFY(browser.send("GET /callback?code=c&state=s HTTP/1.1\r\n\r\n"_ba));
        QVERIFY(waitFor(*server, 10).has_value());
    }
    // A late browser is queued, not refused, while the server lives.
    QVERIFY(Client(port).connected());

    server.reset();
    QVERIFY(!Client(port).connected());
}

void TestOAuthLoopbackServer::waitKeepsServerAliveWhenCallerLetsGo()
{
    auto server = makeServer();
    const quint16 port = server->port();
    auto pending = server->waitForCallback(10);
    server.reset();

    Client browser(port);
    QVERIFY(browser.send("GET /callback?code=c&state=s HTTP/1.1\r\n\r\n"_ba));
    QVERIFY(QCoro::waitFor(std::move(pending)).has_value());
    QCOMPARE(browser.receiveAll(), expectedReply);
}

void TestOAuthLoopbackServer::closesEveryDescriptor()
{
    const int before = openDescriptorCount();
    QVERIFY(visit("GET /callback?code=c&state=s HTTP/1.1\r\n\r\n"_ba).callback.has_value());
    QVERIFY(!visit("GET /favicon.ico HTTP/1.1\r\n\r\n"_ba).callback.has_value());
    QVERIFY(!waitFor(*makeServer(), 0.05).has_value());
    // The background receive holds the server until its task has wound down.
    QTRY_COMPARE(openDescriptorCount(), before);
}

void TestOAuthLoopbackServer::rejectsRelativePlatformBase()
{
    const auto created = OAuthLoopbackServer::create(QUrl(u"platform.example.test"_s));
    QVERIFY(!created.has_value());
    QCOMPARE(created.error(), ClaudeOAuthError::callbackFailed);
}

QTEST_GUILESS_MAIN(TestOAuthLoopbackServer)
#include "TestOAuthLoopbackServer.moc"
