#include <ProviderKit/OAuthCallbackRequest.h>
#include <ProviderKit/OAuthLoopbackServer.h>

#include "ProcessProbes.h"

#include <QHostAddress>
#include <QTest>

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

const QString state = u"expected-state"_s;
const QByteArray goodRequest =
    "GET /callback?code=a%2Fb&state=expected-state HTTP/1.1\r\nHost: localhost\r\n\r\n"_ba;
const QByteArray badRequestReply =
    "HTTP/1.1 400 Bad Request\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: 16\r\n"
    "Connection: close\r\n\r\n400 Bad Request\n"_ba;

std::shared_ptr<OAuthLoopbackServer> makeServer()
{
    auto created = OAuthLoopbackServer::create(platformBase);
    if (!created)
        qFatal("the loopback server could not be created");
    return *created;
}

OAuthLoopbackServer::Received waitFor(OAuthLoopbackServer& server, double timeoutSeconds)
{
    return QCoro::waitFor(server.waitForCallback(state, timeoutSeconds));
}

// The loopback address of the family at the port; sin_port and sin6_port share their place.
sockaddr_storage loopback(int family, quint16 port)
{
    sockaddr_storage address{};
    address.ss_family = sa_family_t(family);
    reinterpret_cast<sockaddr_in&>(address).sin_port = htons(port);
    if (family == AF_INET6)
        reinterpret_cast<sockaddr_in6&>(address).sin6_addr = in6addr_loopback;
    else
        reinterpret_cast<sockaddr_in&>(address).sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// Plays the browser over a plain blocking socket, on either loopback address.
class Client {
public:
    Client(quint16 port, int family = AF_INET)
        : m_descriptor(::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        const sockaddr_storage target = loopback(family, port);
        const socklen_t length = family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
        m_connected = ::connect(m_descriptor, reinterpret_cast<const sockaddr*>(&target), length) == 0;
    }
    ~Client() { ::close(m_descriptor); }

    bool connected() const { return m_connected; }

    bool send(const QByteArray& bytes) const
    {
        return ::send(m_descriptor, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL) == bytes.size();
    }

    bool readableWithin(int milliseconds) const
    {
        pollfd entry{.fd = m_descriptor, .events = POLLIN, .revents = 0};
        return ::poll(&entry, 1, milliseconds) > 0;
    }

    // Everything the server sent before closing (a reset counts as closing).
    QByteArray receiveAll() const
    {
        QByteArray received;
        while (readableWithin(10'000)) {
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

// The address a listening descriptor is bound to, as text, and its port.
std::pair<QString, quint16> boundAddress(int descriptor)
{
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    if (::getsockname(descriptor, reinterpret_cast<sockaddr*>(&bound), &length) != 0)
        return {};
    return {QHostAddress(reinterpret_cast<const sockaddr*>(&bound)).toString(),
            ntohs(reinterpret_cast<const sockaddr_in&>(bound).sin_port)};
}

} // namespace

class TestOAuthLoopbackServer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void listensOnBothLoopbackAddresses()
    {
        const auto server = makeServer();
        QCOMPARE(server->redirectURI(), u"http://localhost:%1/callback"_s.arg(server->port()));
        QStringList addresses;
        for (const int descriptor : server->listeningDescriptors()) {
            QVERIFY(::fcntl(descriptor, F_GETFD) & FD_CLOEXEC);
            const auto [address, port] = boundAddress(descriptor);
            QCOMPARE(port, server->port());
            addresses.append(address);
        }
        QCOMPARE(addresses, (QStringList{u"127.0.0.1"_s, u"::1"_s}));
    }

    void redirectsOnlyWhenTold_data()
    {
        QTest::addColumn<int>("family");
        QTest::addColumn<QByteArray>("request");
        // localhost may resolve to either address; the other one is the stray tests' and the sign-in's.
        QTest::newRow("127.0.0.1") << int(AF_INET) << goodRequest;
        QTest::newRow("request line only")
            << int(AF_INET) << "GET /callback?code=a%2Fb&state=expected-state HTTP/1.1\r\n"_ba;
    }

    void redirectsOnlyWhenTold()
    {
        QFETCH(int, family);
        QFETCH(QByteArray, request);
        const auto server = makeServer();
        Client browser(server->port(), family);
        QVERIFY(browser.connected() && browser.send(request));
        const auto arrival = waitFor(*server, 10);
        QVERIFY(arrival.has_value());
        QCOMPARE(arrival->callback, (OAuthCallback{.code = u"a/b"_s, .state = state}));
        // The browser hears nothing until the sign-in knows its outcome.
        QVERIFY(!browser.readableWithin(100));
        arrival->browser->answer(server->successReply());
        QCOMPARE(browser.receiveAll(), expectedReply);
    }

    void strayRequestsDoNotEndTheWait_data()
    {
        QTest::addColumn<QByteArray>("stray");
        QTest::addColumn<QByteArray>("strayReply");

        QTest::newRow("favicon first") << "GET /favicon.ico HTTP/1.1\r\n\r\n"_ba << badRequestReply;
        QTest::newRow("wrong state") << "GET /callback?code=c&state=forged HTTP/1.1\r\n\r\n"_ba
                                     << badRequestReply;
        // A connection that never sends is dropped after its own time limit, not the sign-in's.
        QTest::newRow("silent connection") << QByteArray() << QByteArray();
        // The state only appears after the first 16384 bytes, so it is never seen.
        const QByteArray longCode(OAuthLoopbackServer::maximumRequestBytes, 'c');
        QTest::newRow("past one buffer")
            << "GET /callback?code="_ba + longCode + "&state=expected-state HTTP/1.1\r\n\r\n"_ba
            << badRequestReply;
    }

    void strayRequestsDoNotEndTheWait()
    {
        QFETCH(QByteArray, stray);
        QFETCH(QByteArray, strayReply);
        const auto server = makeServer();
        auto pending = server->waitForCallback(state, 30);
        Client intruder(server->port(), AF_INET6);
        QVERIFY(intruder.connected() && (stray.isEmpty() || intruder.send(stray)));
        QCOMPARE(intruder.receiveAll(), strayReply);
        Client browser(server->port());
        QVERIFY(browser.connected() && browser.send(goodRequest));

        const auto arrival = QCoro::waitFor(std::move(pending));
        QVERIFY(arrival.has_value());
        QCOMPARE(arrival->callback, (OAuthCallback{.code = u"a/b"_s, .state = state}));
    }

    void refusalWithTheStateEndsTheWait()
    {
        // The user declined: the server's refusal carries our state but no code.
        const auto server = makeServer();
        Client browser(server->port());
        QVERIFY(browser.send("GET /callback?error=access_denied&state=expected-state HTTP/1.1\r\n\r\n"_ba));
        const auto arrival = waitFor(*server, 10);
        QVERIFY(arrival.has_value());
        QCOMPARE(arrival->callback, std::unexpected(ClaudeOAuthError::invalidCallback));
        arrival->browser->answer(OAuthCallbackRequest::failureReply(u"Not completed"_s));
        QVERIFY(browser.receiveAll().endsWith("\r\n\r\nNot completed\n"));
    }

    void timesOutWithoutTheState_data()
    {
        QTest::addColumn<double>("timeout");
        QTest::newRow("short timeout") << 0.2;
        QTest::newRow("zero") << 0.0;
        // poll would wait forever on a negative time-out.
        QTest::newRow("negative") << -1.0;
        QTest::newRow("not a number") << std::nan("");
    }

    void timesOutWithoutTheState()
    {
        QFETCH(double, timeout);
        const auto server = makeServer();
        // Connected but silent: it cannot hold the wait past its deadline.
        Client intruder(server->port());
        QCOMPARE(waitFor(*server, timeout), std::unexpected(ClaudeOAuthError::callbackFailed));
    }

    void keepsListeningUntilDestroyed()
    {
        auto server = makeServer();
        const quint16 port = server->port();
        {
            Client browser(port);
            QVERIFY(browser.send(goodRequest));
            QVERIFY(waitFor(*server, 10).has_value());
        }
        // A late browser is queued, not refused, while the server lives.
        QVERIFY(Client(port).connected());
        QVERIFY(Client(port, AF_INET6).connected());

        server.reset();
        QVERIFY(!Client(port).connected());
        QVERIFY(!Client(port, AF_INET6).connected());
    }

    void waitKeepsServerAliveWhenCallerLetsGo()
    {
        auto server = makeServer();
        const quint16 port = server->port();
        const QByteArray reply = server->successReply();
        auto pending = server->waitForCallback(state, 10);
        server.reset();

        Client browser(port);
        QVERIFY(browser.send(goodRequest));
        const auto arrival = QCoro::waitFor(std::move(pending));
        QVERIFY(arrival.has_value());
        arrival->browser->answer(reply);
        QCOMPARE(browser.receiveAll(), expectedReply);
    }

    void closesEveryDescriptor()
    {
        const int before = openDescriptorCount();
        {
            const auto server = makeServer();
            Client stray(server->port());
            QVERIFY(stray.send("GET /favicon.ico HTTP/1.1\r\n\r\n"_ba));
            auto pending = server->waitForCallback(state, 10);
            QCOMPARE(stray.receiveAll(), badRequestReply);
            Client browser(server->port(), AF_INET6);
            QVERIFY(browser.send(goodRequest));
            // Dropped without an answer: the browser's connection closes with it.
            QVERIFY(QCoro::waitFor(std::move(pending)).has_value());
            QCOMPARE(browser.receiveAll(), QByteArray());
        }
        QVERIFY(!waitFor(*makeServer(), 0.05).has_value());
        // The background receive holds the server until its task has wound down.
        QTRY_COMPARE(openDescriptorCount(), before);
    }

    void rejectsRelativePlatformBase()
    {
        const auto created = OAuthLoopbackServer::create(QUrl(u"platform.example.test"_s));
        QVERIFY(!created.has_value());
        QCOMPARE(created.error(), ClaudeOAuthError::callbackFailed);
    }
};

QTEST_GUILESS_MAIN(TestOAuthLoopbackServer)
#include "TestOAuthLoopbackServer.moc"
