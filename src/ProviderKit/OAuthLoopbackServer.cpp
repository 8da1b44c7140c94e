#include "OAuthLoopbackServer.h"

#include "BlockingPool.h"
#include "OAuthCallbackRequest.h"

#include <QCoroFuture>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <utility>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {

using Clock = std::chrono::steady_clock;

const auto callbackFailed = std::unexpected(ClaudeOAuthError::callbackFailed);

class ScopedDescriptor {
public:
    explicit ScopedDescriptor(int descriptor = -1)
        : m_descriptor(descriptor)
    {
    }
    ~ScopedDescriptor()
    {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    ScopedDescriptor(const ScopedDescriptor&) = delete;
    ScopedDescriptor& operator=(const ScopedDescriptor&) = delete;
    ScopedDescriptor& operator=(ScopedDescriptor&& other) noexcept
    {
        if (this != &other) {
            if (m_descriptor >= 0)
                ::close(m_descriptor);
            m_descriptor = other.release();
        }
        return *this;
    }

    int get() const { return m_descriptor; }
    int release() { return std::exchange(m_descriptor, -1); }

private:
    int m_descriptor;
};

// Whole milliseconds, truncated. A negative or NaN timeout would make poll wait forever, so it
// means "do not wait" instead; an oversized one is capped.
std::chrono::milliseconds timeoutMilliseconds(double seconds)
{
    if (!(seconds > 0))
        return std::chrono::milliseconds(0);
    const double milliseconds = std::trunc(seconds * 1000);
    if (milliseconds >= double(INT_MAX))
        return std::chrono::milliseconds(INT_MAX);
    return std::chrono::milliseconds(qint64(milliseconds));
}

int millisecondsLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return int(std::clamp<qint64>(left.count(), 0, INT_MAX));
}

// Polls until one of the descriptors is readable or the deadline passes; a signal only restarts
// the wait for the time that is left.
bool waitReadable(QList<pollfd>& entries, Clock::time_point deadline)
{
    for (;;) {
        const int result = ::poll(entries.data(), nfds_t(entries.size()), millisecondsLeft(deadline));
        if (result < 0 && errno == EINTR)
            continue;
        return result > 0;
    }
}

// Takes the result out of the future: a copy left behind would keep the browser's connection
// open for as long as the future's store lives.
QCoro::Task<OAuthLoopbackServer::Received> awaitReceive(QFuture<OAuthLoopbackServer::Received> receive)
{
    co_await qCoro(receive).waitForFinished();
    co_return receive.takeResult();
}

enum class Bound { yes, addressInUse, noAddress, failed };

Bound bindAndListen(int descriptor, const sockaddr* address, socklen_t length)
{
    if (::bind(descriptor, address, length) != 0) {
        if (errno == EADDRINUSE)
            return Bound::addressInUse;
        return errno == EADDRNOTAVAIL ? Bound::noAddress : Bound::failed;
    }
    // Room for a few: a connection being read must not make the browser's be refused.
    return ::listen(descriptor, 8) == 0 ? Bound::yes : Bound::failed;
}

// Non-blocking so that accept can never hang on a connection that went away after poll
// reported it.
int streamSocket(int family)
{
    return ::socket(family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
}

struct Listeners {
    ScopedDescriptor ipv4;
    ScopedDescriptor ipv6;
    quint16 port = 0;
};

enum class Opened { yes, retry, failed };

// 127.0.0.1 at a port the system picks, then ::1 at the same port. When someone already holds
// that port on ::1, the caller tries again with a new port.
Opened openListeners(Listeners& listeners)
{
    const int on = 1;
    listeners.ipv4 = ScopedDescriptor(streamSocket(AF_INET));
    if (listeners.ipv4.get() < 0)
        return Opened::failed;
    ::setsockopt(listeners.ipv4.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(0);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bindAndListen(listeners.ipv4.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) !=
        Bound::yes)
        return Opened::failed;
    sockaddr_in bound{};
    socklen_t boundLength = sizeof bound;
    if (::getsockname(listeners.ipv4.get(), reinterpret_cast<sockaddr*>(&bound), &boundLength) != 0 ||
        bound.sin_family != AF_INET || bound.sin_port == 0)
        return Opened::failed;
    listeners.port = ntohs(bound.sin_port);

    listeners.ipv6 = ScopedDescriptor(streamSocket(AF_INET6));
    if (listeners.ipv6.get() < 0)
        return errno == EAFNOSUPPORT ? Opened::yes : Opened::failed; // no IPv6 at all, so no ::1
    ::setsockopt(listeners.ipv6.get(), IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
    ::setsockopt(listeners.ipv6.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in6 address6{};
    address6.sin6_family = AF_INET6;
    address6.sin6_port = htons(listeners.port);
    address6.sin6_addr = in6addr_loopback;
    switch (
        bindAndListen(listeners.ipv6.get(), reinterpret_cast<const sockaddr*>(&address6), sizeof address6)) {
    case Bound::yes:
        return Opened::yes;
    case Bound::addressInUse:
        return Opened::retry;
    case Bound::noAddress:
        listeners.ipv6 = ScopedDescriptor();
        return Opened::yes;
    case Bound::failed:
        break;
    }
    return Opened::failed;
}

// Reads until the request line is complete, the peer stops, the byte cap or the deadline.
QByteArray readRequestLine(int connection, Clock::time_point deadline)
{
    std::array<char, OAuthLoopbackServer::maximumRequestBytes> buffer{};
    QList<pollfd> entry{pollfd{.fd = connection, .events = POLLIN, .revents = 0}};
    qsizetype filled = 0;
    while (filled < qsizetype(buffer.size()) && waitReadable(entry, deadline)) {
        ssize_t received = -1;
        do {
            received = ::recv(connection, buffer.data() + filled, buffer.size() - size_t(filled), 0);
        } while (received < 0 && errno == EINTR);
        if (received < 1)
            break;
        filled += received;
        // Only the request line matters; headers still to come are not waited for.
        const QByteArrayView text = QByteArrayView(buffer.data(), filled).trimmed();
        if (text.contains("\r\n") ||
            (!text.isEmpty() && QByteArrayView(buffer.data(), filled).endsWith("\r\n")))
            break;
    }
    return QByteArray(buffer.data(), filled);
}

} // namespace

std::expected<std::shared_ptr<OAuthLoopbackServer>, ClaudeOAuthError>
OAuthLoopbackServer::create(const QUrl& platformBase)
{
    if (!platformBase.isValid() || platformBase.isRelative())
        return callbackFailed;
    // Encoded form: no CR or LF can reach the reply header.
    QByteArray successPage = platformBase.toEncoded();
    while (successPage.endsWith('/'))
        successPage.chop(1);
    successPage += "/oauth/code/success?app=claude-code";

    constexpr int attempts = 16;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        Listeners listeners;
        const Opened opened = openListeners(listeners);
        if (opened == Opened::failed)
            return callbackFailed;
        if (opened == Opened::retry)
            continue;
        QList<int> descriptors{listeners.ipv4.release()};
        if (listeners.ipv6.get() >= 0)
            descriptors.append(listeners.ipv6.release());
        return std::make_shared<OAuthLoopbackServer>(ConstructionKey{}, std::move(descriptors),
                                                     listeners.port, std::move(successPage));
    }
    return callbackFailed;
}

OAuthLoopbackServer::OAuthLoopbackServer(ConstructionKey, QList<int> listeners, quint16 port,
                                         QByteArray successPage)
    : m_listeners(std::move(listeners))
    , m_port(port)
    , m_successPage(std::move(successPage))
{
}

OAuthLoopbackServer::~OAuthLoopbackServer()
{
    for (const int descriptor : m_listeners)
        ::close(descriptor);
}

QString OAuthLoopbackServer::redirectURI() const
{
    return u"http://localhost:"_s + QString::number(m_port) + u"/callback"_s;
}

QByteArray OAuthLoopbackServer::successReply() const
{
    return OAuthCallbackRequest::redirectReply(m_successPage);
}

QCoro::Task<OAuthLoopbackServer::Received> OAuthLoopbackServer::waitForCallback(QString expectedState,
                                                                                double timeoutSeconds)
{
    // The pool task holds its own reference: the descriptors it polls cannot be closed, and
    // their numbers reused, while it runs, even when the caller lets go of the server. The
    // reference is taken outside any coroutine: GCC 12 destroys a lambda temporary inside a
    // co_await expression twice, which would drop the reference twice.
    auto self = shared_from_this();
    return awaitReceive(QtConcurrent::run(&blockingPool(), [self, expectedState, timeoutSeconds] {
        return self->receiveCallback(expectedState, timeoutSeconds);
    }));
}

OAuthLoopbackServer::Received OAuthLoopbackServer::receiveCallback(const QString& expectedState,
                                                                   double timeoutSeconds) const
{
    const Clock::time_point deadline = Clock::now() + timeoutMilliseconds(timeoutSeconds);
    QList<pollfd> entries;
    for (const int descriptor : m_listeners)
        entries.append(pollfd{.fd = descriptor, .events = POLLIN, .revents = 0});

    while (waitReadable(entries, deadline)) {
        for (pollfd& entry : entries) {
            if (!(entry.revents & POLLIN))
                continue;
            entry.revents = 0;
            ScopedDescriptor connection(::accept4(entry.fd, nullptr, nullptr, SOCK_CLOEXEC));
            if (connection.get() < 0)
                continue; // gone before it was taken, or interrupted: poll again
            // Each connection has a short time of its own, so a silent one cannot keep the
            // browser waiting behind it for the whole sign-in.
            const QByteArray request =
                readRequestLine(connection.get(), std::min(deadline, Clock::now() + connectionTimeLimit));
            if (request.isEmpty())
                continue;
            auto callback = OAuthCallbackRequest::parse(request);
            const std::optional<QString> state =
                callback ? std::optional(callback->state) : OAuthCallbackRequest::state(request);
            if (state != expectedState) {
                OAuthBrowserConnection(connection.release()).answer(OAuthCallbackRequest::badRequestReply());
                continue;
            }
            return Arrival{.callback = std::move(callback),
                           .browser = std::make_shared<OAuthBrowserConnection>(connection.release())};
        }
    }
    return callbackFailed;
}

} // namespace tallyvane
