// Many widget requests at once against an idle model, in two kinds of round. Cold: the last
// refresh is more than a minute old, so the first request starts one and every client waits
// for it; one refresh must serve them all, and the slowest answers should come right after it.
// Warm: a refresh completed moments ago, so every request is answered from the published state
// and none starts a refresh. Every client must get the document. Clients run on their own
// thread; the model and the server keep the main thread, as in the application. Prints each
// round, then the medians over all rounds of each kind.
//
// Usage: bench_widget_server_load [--rounds N] [--clients N] [--delay MS] [--burst]

#include "LoadClients.h"
#include "ServedModel.h"

#include <Statistics.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <thread>

using namespace tallyvane;
using namespace tallyvane::bench;
using namespace Qt::Literals::StringLiterals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr QByteArrayView request = "GET /widget/v1 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";

struct Round {
    LoadResult load;
    int refreshes = 0;
    int codexCollections = 0;
    int claudeCollections = 0;
    double refreshMs = 0;
    double startDelayMs = 0; // first request sent to refresh started
    double tailMs = 0;       // refresh ended to last answer received
};

// Start and end of every refresh the model runs, on the clock the clients use.
struct RefreshWatch {
    int started = 0;
    Clock::time_point startedAt;
    Clock::time_point endedAt;

    explicit RefreshWatch(UsageAppModel& model)
    {
        QObject::connect(&model, &UsageAppModel::isRefreshingChanged, &model, [this, &model] {
            if (model.isRefreshing()) {
                ++started;
                startedAt = Clock::now();
            } else {
                endedAt = Clock::now();
            }
        });
    }
};

Round runRound(ServedModel& served, RefreshWatch& watch, int clients, int connectBatch, bool cold)
{
    // Sockets of the previous round are released on later turns of the event loop.
    if (!QTest::qWaitFor([&] { return served.server.connectionCount() == 0; }, 5000))
        std::fprintf(stderr, "connections of the previous round are still open\n");
    // Past the freshness of the last refresh, or right after it.
    if (cold)
        served.fixture.clock.advance(61);
    const int refreshesBefore = watch.started;
    const int codexBefore = served.fixture.codex->collectCount();
    const int claudeBefore = served.fixture.claude->collectCount();

    Round round;
    QEventLoop loop;
    std::thread clientThread([&] {
        round.load = runLoadClients(served.server.serverPort(), clients, connectBatch, request,
                                    std::chrono::seconds(30));
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    clientThread.join();

    round.refreshes = watch.started - refreshesBefore;
    round.codexCollections = served.fixture.codex->collectCount() - codexBefore;
    round.claudeCollections = served.fixture.claude->collectCount() - claudeBefore;
    const auto ms = [](Clock::duration duration) {
        return std::chrono::duration<double, std::milli>(duration).count();
    };
    round.refreshMs = ms(watch.endedAt - watch.startedAt);
    round.startDelayMs = ms(watch.startedAt - round.load.firstSentAt);
    round.tailMs = ms(round.load.lastAnsweredAt - watch.endedAt);
    return round;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int rounds = 5;
    int clients = 200;
    int delayMs = 200;
    // Below the listen backlog (50); --burst opens every connection at once instead.
    int connectBatch = 25;
    const QStringList arguments = app.arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == "--burst"_L1)
            connectBatch = 0;
        else if (i + 1 == arguments.size())
            break;
        else if (arguments[i] == "--rounds"_L1)
            rounds = std::max(1, arguments[++i].toInt());
        else if (arguments[i] == "--clients"_L1)
            clients = std::max(1, arguments[++i].toInt());
        else if (arguments[i] == "--delay"_L1)
            delayMs = std::max(0, arguments[++i].toInt());
    }

    // The application's limit is 64 open requests; this load needs room for all of them.
    const int maximumConnections = std::max(256, clients);
    ServedModel served(std::chrono::milliseconds(delayMs), maximumConnections);
    if (!served.server.isListening()) {
        std::fprintf(stderr, "the widget server could not listen\n");
        return 1;
    }
    RefreshWatch watch(*served.fixture.model);
    served.warmUp();
    std::printf("%d clients per round, connected %s, providers answering after %d ms, server "
                "maximumConnections %d (the application's is 64)\n",
                clients, connectBatch > 0 ? "25 at a time" : "all at once", delayMs, maximumConnections);

    struct Series {
        std::vector<double> p50, p99, slowest, refresh, lag, tail;
    } cold, warm;
    bool allAnswered = true, refreshesAsExpected = true;
    for (int i = 1; i <= rounds; ++i) {
        for (const bool isCold : {true, false}) {
            const Round round = runRound(served, watch, clients, connectBatch, isCold);
            Series& series = isCold ? cold : warm;
            const double roundP99 = percentile(round.load.latencyMs, 0.99);
            series.p50.push_back(percentile(round.load.latencyMs, 0.5));
            series.p99.push_back(roundP99);
            series.slowest.push_back(percentile(round.load.latencyMs, 1.0));
            allAnswered = allAnswered && round.load.answeredOk == clients;
            const int expected = isCold ? 1 : 0;
            refreshesAsExpected = refreshesAsExpected && round.refreshes == expected &&
                                  round.codexCollections == expected && round.claudeCollections == expected;
            std::printf(
                "round %2d %s  200 OK %3d/%d (other %d, failed %d)  refreshes %d (collections: codex %d, "
                "claude %d)  p50 %7.2f ms  p99 %7.2f ms  max %7.2f ms",
                i, isCold ? "cold" : "warm", round.load.answeredOk, clients, round.load.otherAnswers,
                round.load.failures, round.refreshes, round.codexCollections, round.claudeCollections,
                series.p50.back(), roundP99, series.slowest.back());
            if (isCold) {
                series.refresh.push_back(round.refreshMs);
                series.lag.push_back(roundP99 - round.refreshMs);
                series.tail.push_back(round.tailMs);
                std::printf(
                    "  refresh %7.2f ms  p99-refresh %6.2f ms  (first request to refresh start %.2f ms, "
                    "refresh end to last answer %.2f ms)",
                    round.refreshMs, series.lag.back(), round.startDelayMs, round.tailMs);
            }
            std::printf("  slowest connect %.2f ms\n", round.load.slowestConnectMs);
        }
    }
    std::printf("medians over %d cold rounds: p50 %.2f ms  p99 %.2f ms  max %.2f ms  refresh %.2f ms  "
                "p99-refresh %.2f ms (target <= 20)  refresh end to last answer %.2f ms\n",
                rounds, median(cold.p50), median(cold.p99), median(cold.slowest), median(cold.refresh),
                median(cold.lag), median(cold.tail));
    std::printf("medians over %d warm rounds: p50 %.2f ms  p99 %.2f ms  max %.2f ms\n", rounds,
                median(warm.p50), median(warm.p99), median(warm.slowest));
    std::printf("every client 200 OK: %s  one refresh per cold round and none per warm one: %s\n",
                allAnswered ? "yes" : "no", refreshesAsExpected ? "yes" : "no");
    return allAnswered && refreshesAsExpected ? 0 : 1;
}
