#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#include <chrono>
#include <vector>

namespace tallyvane::bench {

struct LoadResult {
    int answeredOk = 0;            // "200 OK" with the whole announced body
    int otherAnswers = 0;          // any other complete answer
    int failures = 0;              // refused, reset, cut short or still open at the deadline
    std::vector<double> latencyMs; // per complete answer: request sent to connection closed
    double slowestConnectMs = 0;   // from the first connect
    std::chrono::steady_clock::time_point firstSentAt;
    std::chrono::steady_clock::time_point lastAnsweredAt;
};

// Opens `clients` connections to 127.0.0.1:`port` and, when every one is connected, sends each the
// same request at once and waits for all answers. Connections open `connectBatch` at a time
// (0: all at once): a burst larger than the listen backlog loses handshakes to the kernel, and
// those clients retry a second later, which measures TCP rather than the server. Non-blocking sockets on one
// poll(2) loop on the calling thread: the server's thread is left alone, and 200 blocking threads on two
// cores would measure the scheduler instead of the server.
LoadResult runLoadClients(quint16 port, int clients, int connectBatch, QByteArrayView request,
                          std::chrono::milliseconds deadline);

} // namespace tallyvane::bench
