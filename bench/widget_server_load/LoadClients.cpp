#include "LoadClients.h"

#include <QByteArray>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace tallyvane::bench {

namespace {

using Clock = std::chrono::steady_clock;

enum class Stage { connecting, connected, waiting, done, failed };

struct Client {
    int fd = -1;
    Stage stage = Stage::failed;
    Clock::time_point sentAt;
    QByteArray answer;
};

double millisecondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

bool isWholeOkAnswer(const QByteArray& answer)
{
    if (!answer.startsWith("HTTP/1.1 200 OK\r\n"))
        return false;
    const qsizetype headerEnd = answer.indexOf("\r\n\r\n");
    const QByteArray key = "\r\nContent-Length: ";
    const qsizetype length = answer.indexOf(key);
    if (headerEnd < 0 || length < 0 || length > headerEnd)
        return false;
    const qsizetype lineEnd = answer.indexOf("\r\n", length + key.size());
    const qsizetype announced = answer.mid(length + key.size(), lineEnd - length - key.size()).toLongLong();
    return announced > 0 && answer.size() - headerEnd - 4 == announced;
}

// One round of poll(2) over the clients in `stage`; `handle` gets each ready client.
template <typename Handle>
bool pollOnce(std::vector<Client>& clients, Stage stage, short events, Clock::time_point deadline,
              Handle handle)
{
    std::vector<pollfd> fds;
    std::vector<Client*> owners;
    for (Client& client : clients) {
        if (client.stage == stage) {
            fds.push_back({client.fd, events, 0});
            owners.push_back(&client);
        }
    }
    if (fds.empty())
        return false;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0)
        return false;
    if (::poll(fds.data(), fds.size(), int(left)) < 0 && errno != EINTR)
        return false;
    for (std::size_t i = 0; i < fds.size(); ++i) {
        if (fds[i].revents != 0)
            handle(*owners[i], fds[i].revents);
    }
    return true;
}

} // namespace

LoadResult runLoadClients(quint16 port, int count, int connectBatch, QByteArrayView request,
                          std::chrono::milliseconds limit)
{
    const Clock::time_point start = Clock::now();
    const Clock::time_point deadline = start + limit;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);

    LoadResult result;
    std::vector<Client> clients(static_cast<std::size_t>(count));
    const std::size_t batch = connectBatch > 0 ? std::size_t(connectBatch) : clients.size();
    for (std::size_t first = 0; first < clients.size(); first += batch) {
        if (first > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        for (std::size_t i = first; i < std::min(first + batch, clients.size()); ++i) {
            Client& client = clients[i];
            client.fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            if (client.fd < 0)
                continue;
            if (::connect(client.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
                client.stage = Stage::connected;
            else if (errno == EINPROGRESS)
                client.stage = Stage::connecting;
        }
        while (pollOnce(clients, Stage::connecting, POLLOUT, deadline, [&](Client& client, short) {
            int error = 0;
            socklen_t length = sizeof error;
            ::getsockopt(client.fd, SOL_SOCKET, SO_ERROR, &error, &length);
            client.stage = error == 0 ? Stage::connected : Stage::failed;
            result.slowestConnectMs =
                std::max(result.slowestConnectMs, millisecondsBetween(start, Clock::now()));
        })) {
        }
    }

    for (Client& client : clients) {
        if (client.stage != Stage::connected)
            continue;
        client.sentAt = Clock::now();
        if (result.firstSentAt == Clock::time_point())
            result.firstSentAt = client.sentAt;
        const ssize_t sent = ::send(client.fd, request.data(), std::size_t(request.size()), MSG_NOSIGNAL);
        client.stage = sent == request.size() ? Stage::waiting : Stage::failed;
    }

    while (pollOnce(clients, Stage::waiting, POLLIN, deadline, [&](Client& client, short) {
        char buffer[16384];
        for (;;) {
            const ssize_t read = ::recv(client.fd, buffer, sizeof buffer, 0);
            if (read > 0) {
                client.answer.append(buffer, read);
                continue;
            }
            if (read == 0) {
                client.stage = Stage::done;
                result.lastAnsweredAt = Clock::now();
                result.latencyMs.push_back(millisecondsBetween(client.sentAt, result.lastAnsweredAt));
            } else if (errno != EAGAIN && errno != EINTR) {
                client.stage = Stage::failed;
            }
            return;
        }
    })) {
    }

    for (Client& client : clients) {
        if (client.stage == Stage::done && isWholeOkAnswer(client.answer))
            ++result.answeredOk;
        else if (client.stage == Stage::done)
            ++result.otherAnswers;
        else
            ++result.failures;
        if (client.fd >= 0)
            ::close(client.fd);
    }
    return result;
}

} // namespace tallyvane::bench
