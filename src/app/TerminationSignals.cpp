#include "TerminationSignals.h"

#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace tallyvane {
namespace {

// Written by the handler, so a plain int set before the handler is installed.
volatile sig_atomic_t handlerSocket = -1;

extern "C" void forwardSignal(int signalNumber)
{
    const int saved = errno;
    const char number = static_cast<char>(signalNumber);
    // A full socket already holds a request to quit; dropping this one loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(handlerSocket, &number, 1);
    errno = saved;
}

void setHandler(void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : TerminationSignals::handled)
        sigaction(signalNumber, &action, nullptr);
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent)
    : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, m_sockets.data()) != 0) {
        m_sockets = {-1, -1};
        return;
    }
    handlerSocket = m_sockets[0];
    m_notifier = std::make_unique<QSocketNotifier>(m_sockets[1], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, this, &TerminationSignals::drain);
    setHandler(forwardSignal);
}

TerminationSignals::~TerminationSignals()
{
    if (!m_notifier)
        return;
    setHandler(SIG_DFL);
    handlerSocket = -1;
    m_notifier.reset();
    for (const int socket : m_sockets)
        ::close(socket);
}

void TerminationSignals::drain()
{
    char number = 0;
    while (::read(m_sockets[1], &number, 1) == 1)
        Q_EMIT received(number);
}

} // namespace tallyvane
