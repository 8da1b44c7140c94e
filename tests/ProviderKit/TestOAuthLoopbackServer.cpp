#include <ProviderKit/OAuthCallbackRequest.h>
#include <ProviderKit/OAuthLoopbackServer.h>

#include <QDir>
#include <QTest>

#include "ProcessProbes.h"
#include <QTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <ifaddrs.h>
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
    "Content-Length: 0\r\n"
    "Connection: close\r\n"
    "\r\n"_ba;

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
    explicit Client(quint16 port, const char* address = "127.0.0.1")
        : m_descriptor(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_in target{};
        target.sin_family = AF_INET;
        target.sin_port = htons(port);
        ::inet_pton(AF_INET, address, &target.sin_addr);
        m_connected = ::connect(m_descriptor, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0;
    }
    ~Client() { ::close(m_descriptor); }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    bool connected() const { return m_connected; }

    bool send(const QByteArray& bytes) const
    {
        return ::send(m_descriptor, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL) == bytes.size();
    }

    void finishSending() const { ::shutdown(m_descriptor, SHUT_WR); }

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

bool descriptorIsOpen(int descriptor)
{
    return ::fcntl(descriptor, F_GETFD) != -1;
}

// A local IPv4 address of this machine outside 127.0.0.0/8, if it has one.
QByteArray otherLocalAddress()
{
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return {};
    QByteArray found;
    for (ifaddrs* entry = list; entry && found.isEmpty(); entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET)
            continue;
        const in_addr address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr;
        if ((ntohl(address.s_addr) >> 24) == 127)
            continue;
        char text[INET_ADDRSTRLEN] = {};
        found = ::inet_ntop(AF_INET, &address, text, sizeof text);
    }
    ::freeifaddrs(list);
    return found;
}

} // namespace

class TestOAuthLoopbackServer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void listensOnLoopbackOnly();
    void returnsCallbackAndRedirects();
    void waitRunsOffTheCallingThread();
    void rejectsWithoutReplying_data();
    void rejectsWithoutReplying();
    void timesOutWithoutConnection_data();
    void timesOutWithoutConnection();
    void silentConnectionEndsAtTheDeadline();
    void parsesOnlyTheFirstRead();
    void readsAtMostOneBuffer();
    void keepsListeningUntilDestroyed();
    void waitKeepsServerAliveWhenCallerLetsGo();
    void closesEveryDescriptor();
    void rejectsRelativePlatformBase();
};

void TestOAuthLoopbackServer::listensOnLoopbackOnly()
{
    const auto server = makeServer();
    QVERIFY(server->port() != 0);
    QCOMPARE(server->redirectURI(), u"http://localhost:%1/callback"_s.arg(server->port()));
    QVERIFY(::fcntl(server->socketDescriptor(), F_GETFD) & FD_CLOEXEC);

    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    QCOMPARE(::getsockname(server->socketDescriptor(), reinterpret_cast<sockaddr*>(&bound), &length), 0);
    QCOMPARE(ntohl(bound.sin_addr.s_addr), quint32(INADDR_LOOPBACK));
    QCOMPARE(ntohs(bound.sin_port), server->port());

    // Another address of the loopback network, and of the machine, must not reach it.
    QVERIFY(!Client(server->port(), "127.0.0.2").connected());
    const QByteArray external = otherLocalAddress();
    if (!external.isEmpty())
        QVERIFY2(!Client(server->port(), external.constData()).connected(), external.constData());
}

void TestOAuthLoopbackServer::returnsCallbackAndRedirects()
{
    const auto server = makeServer();
    Client browser(server->port());
    QVERIFY(browser.connected());
    QVERIFY(browser.send("GET /callback?code=a%2Fb&state=x%20y HTTP/1.1\r\nHost: localhost\r\n\r\n"_ba));

    const auto callback = waitFor(*server, 10);
    QVERIFY(callback.has_value());
    QCOMPARE(*callback, (OAuthCallback{.code = u"a/b"_s, .state = u"x y"_s}));
    QCOMPARE(browser.receiveAll(), expectedReply);
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
    const auto callback = waitFor(*server, 10);
    QVERIFY(callback.has_value());
    QCOMPARE(callback->code, u"c"_s);
}

void TestOAuthLoopbackServer::rejectsWithoutReplying_data()
{
    QTest::addColumn<QByteArray>("request");

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("favicon first") << "GET /favicon.ico HTTP/1.1\r\n\r\n"_ba;
    QTest::newRow("missing state") << "GET /callback?code=c HTTP/1.1\r\n\r\n"_ba;
    QTest::newRow("garbage") << "\x16\x03\x01\x00\xa5\x01\x00\x00\xa1\x03\x03"_ba;
}

void TestOAuthLoopbackServer::rejectsWithoutReplying()
{
    QFETCH(QByteArray, request);

    const auto server = makeServer();
    Client browser(server->port());
    QVERIFY(browser.connected());
    if (!request.isEmpty())
        QVERIFY(browser.send(request));
    browser.finishSending();

    const auto callback = waitFor(*server, 10);
    QVERIFY(!callback.has_value());
    QCOMPARE(callback.error(), ClaudeOAuthError::invalidCallback);
    QCOMPARE(browser.receiveAll(), QByteArray());
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
    const auto server = makeServer();
    const auto callback = waitFor(*server, timeout);
    QVERIFY(!callback.has_value());
    QCOMPARE(callback.error(), ClaudeOAuthError::callbackFailed);
}

void TestOAuthLoopbackServer::silentConnectionEndsAtTheDeadline()
{
    // A client that connects and never sends (a speculative preconnect) must not hold the wait
    // beyond its timeout.
    const auto server = makeServer();
    Client preconnect(server->port());
    QVERIFY(preconnect.connected());

    const auto callback = waitFor(*server, 0.3);
    QVERIFY(!callback.has_value());
    QCOMPARE(callback.error(), ClaudeOAuthError::invalidCallback);
    QCOMPARE(preconnect.receiveAll(), QByteArray());
}

void TestOAuthLoopbackServer::parsesOnlyTheFirstRead()
{
    // One read, by design: a request line cut by a segment boundary is not completed by what
    // follows, while one that arrived whole is enough even if the headers come later.
    {
        const auto server = makeServer();
        Client browser(server->port());
        QVERIFY(browser.send("GET /callback?code=abc"_ba));
        const auto callback = waitFor(*server, 10);
        QVERIFY(!callback.has_value());
        QCOMPARE(callback.error(), ClaudeOAuthError::invalidCallback);
        browser.send("&state=xyz HTTP/1.1\r\n\r\n"_ba);
        QCOMPARE(browser.receiveAll(), QByteArray());
    }
    {
        const auto server = makeServer();
        Client browser(server->port());
        QVERIFY(browser.send("GET /callback?code=abc&state=xyz HTTP/1.1\r\n"_ba));
        const auto callback = waitFor(*server, 10);
        QVERIFY(callback.has_value());
        QCOMPARE(callback->state, u"xyz"_s);
        browser.send("Host: localhost\r\n\r\n"_ba);
    }
}

void TestOAuthLoopbackServer::readsAtMostOneBuffer()
{
    // The state only appears after the first 16384 bytes, so it is never seen.
    const auto server = makeServer();
    Client browser(server->port());
    const QByteArray request = "GET /callback?code="_ba +
                               QByteArray(OAuthLoopbackServer::maximumRequestBytes, 'c') +
                               "&state=s HTTP/1.1\r\n\r\n"_ba;
    QVERIFY(browser.send(request));
    const auto callback = waitFor(*server, 10);
    QVERIFY(!callback.has_value());
    QCOMPARE(callback.error(), ClaudeOAuthError::invalidCallback);
    QCOMPARE(browser.receiveAll(), QByteArray());
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
    QVERIFY(descriptorIsOpen(server->socketDescriptor()));
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
    QVERIFY(browser.connected());
    QVERIFY(browser.send("GET /callback?code=c&state=s HTTP/1.1\r\n\r\n"_ba));
    const auto callback = QCoro::waitFor(std::move(pending));
    QVERIFY(callback.has_value());
    QCOMPARE(browser.receiveAll(), expectedReply);
}

void TestOAuthLoopbackServer::closesEveryDescriptor()
{
    const int before = openDescriptorCount();
    {
        const auto server = makeServer();
        Client browser(server->port());
        QVERIFY(browser.send("GET /callback?code=c&state=s HTTP/1.1\r\n\r\n"_ba));
        QVERIFY(waitFor(*server, 10).has_value());
    }
    {
        const auto server = makeServer();
        Client browser(server->port());
        QVERIFY(browser.send("GET /favicon.ico HTTP/1.1\r\n\r\n"_ba));
        QVERIFY(!waitFor(*server, 10).has_value());
    }
    {
        const auto server = makeServer();
        QVERIFY(!waitFor(*server, 0.05).has_value());
    }
    QCOMPARE(openDescriptorCount(), before);
}

void TestOAuthLoopbackServer::rejectsRelativePlatformBase()
{
    const auto created = OAuthLoopbackServer::create(QUrl(u"platform.example.test"_s));
    QVERIFY(!created.has_value());
    QCOMPARE(created.error(), ClaudeOAuthError::callbackFailed);
}

QTEST_GUILESS_MAIN(TestOAuthLoopbackServer)
#include "TestOAuthLoopbackServer.moc"
