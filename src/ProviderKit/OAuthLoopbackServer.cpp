#include "OAuthLoopbackServer.h"

#include "BlockingPool.h"
#include "OAuthCallbackRequest.h"

#include <QCoroFuture>
#include <QtConcurrent/QtConcurrentRun>

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
const auto invalidCallback = std::unexpected(ClaudeOAuthError::invalidCallback);

class ScopedDescriptor {
public:
    explicit ScopedDescriptor(int descriptor)
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

// Polls until the descriptor is readable or the deadline passes; a signal only restarts the
// wait for the time that is left.
bool waitReadable(int descriptor, Clock::time_point deadline)
{
    pollfd entry{.fd = descriptor, .events = POLLIN, .revents = 0};
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        const int result = ::poll(&entry, 1, int(std::max<qint64>(left.count(), 0)));
        if (result < 0 && errno == EINTR)
            continue;
        return result > 0;
    }
}

QCoro::Task<OAuthLoopbackServer::Received> awaitReceive(QFuture<OAuthLoopbackServer::Received> receive)
{
    co_return co_await receive;
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

    // Non-blocking so that accept can never hang on a connection that went away after poll
    // reported it.
    ScopedDescriptor listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (listener.get() < 0)
        return callbackFailed;
    const int reuse = 1;
    ::setsockopt(listener.get(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);

    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(0);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return callbackFailed;
    if (::listen(listener.get(), 1) != 0)
        return callbackFailed;
    sockaddr_in bound{};
    socklen_t boundLength = sizeof bound;
    if (::getsockname(listener.get(), reinterpret_cast<sockaddr*>(&bound), &boundLength) != 0 ||
        bound.sin_family != AF_INET)
        return callbackFailed;
    const quint16 port = ntohs(bound.sin_port);
    if (port == 0)
        return callbackFailed;

    return std::make_shared<OAuthLoopbackServer>(ConstructionKey{}, listener.release(), port,
                                                 std::move(successPage));
}

OAuthLoopbackServer::OAuthLoopbackServer(ConstructionKey, int socketDescriptor, quint16 port,
                                         QByteArray successPage)
    : m_socketDescriptor(socketDescriptor)
    , m_port(port)
    , m_successPage(std::move(successPage))
{
}

OAuthLoopbackServer::~OAuthLoopbackServer()
{
    ::close(m_socketDescriptor);
}

QString OAuthLoopbackServer::redirectURI() const
{
    return u"http://localhost:"_s + QString::number(m_port) + u"/callback"_s;
}

QCoro::Task<OAuthLoopbackServer::Received> OAuthLoopbackServer::waitForCallback(double timeoutSeconds)
{
    // The pool task holds its own reference: the descriptor it polls cannot be closed, and its
    // number reused, while it runs, even when the caller lets go of the server. The reference is
    // taken outside any coroutine: GCC 12 destroys a lambda temporary inside a co_await
    // expression twice, which would drop the reference twice.
    auto self = shared_from_this();
    return awaitReceive(QtConcurrent::run(
        &blockingPool(), [self, timeoutSeconds] { return self->receiveCallback(timeoutSeconds); }));
}

OAuthLoopbackServer::Received OAuthLoopbackServer::receiveCallback(double timeoutSeconds) const
{
    // One deadline covers the request too: a client that connects and never sends (a stray
    // preconnect) must not hold the sign-in past its timeout.
    const Clock::time_point deadline = Clock::now() + timeoutMilliseconds(timeoutSeconds);
    if (!waitReadable(m_socketDescriptor, deadline))
        return callbackFailed;

    int accepted = -1;
    do {
        accepted = ::accept4(m_socketDescriptor, nullptr, nullptr, SOCK_CLOEXEC);
    } while (accepted < 0 && errno == EINTR);
    if (accepted < 0)
        return callbackFailed;
    const ScopedDescriptor connection(accepted);

    if (!waitReadable(connection.get(), deadline))
        return invalidCallback;
    std::array<char, maximumRequestBytes> buffer{};
    ssize_t received = -1;
    do {
        received = ::recv(connection.get(), buffer.data(), buffer.size(), 0);
    } while (received < 0 && errno == EINTR);
    if (received < 1)
        return invalidCallback;

    Received callback = OAuthCallbackRequest::parse(QByteArrayView(buffer.data(), received));
    if (callback) {
        const QByteArray reply = OAuthCallbackRequest::redirectReply(m_successPage);
        // Best effort: the browser may already have gone, which must not cost us the code.
        [[maybe_unused]] const ssize_t sent =
            ::send(connection.get(), reply.constData(), size_t(reply.size()), MSG_NOSIGNAL);
    }
    return callback;
}

} // namespace tallyvane
