#include "OAuthBrowserConnection.h"

#include <sys/socket.h>
#include <unistd.h>

namespace tallyvane {

OAuthBrowserConnection::OAuthBrowserConnection(int descriptor)
    : m_descriptor(descriptor)
{
}

OAuthBrowserConnection::~OAuthBrowserConnection()
{
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

void OAuthBrowserConnection::answer(QByteArrayView reply)
{
    if (m_descriptor < 0)
        return;
    // A reply this small fits the socket buffer; never wait on a peer that stopped reading.
    [[maybe_unused]] const ssize_t sent =
        ::send(m_descriptor, reply.data(), size_t(reply.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
    ::close(m_descriptor);
    m_descriptor = -1;
}

} // namespace tallyvane
