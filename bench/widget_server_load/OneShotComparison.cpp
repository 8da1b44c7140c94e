// The widget's one-shot output (`tallyvane-widget --once --format text`) against `curl -s` for the
// same document from the same live server, run alternately so both see the same machine. The
// model refreshed moments before, so every request is answered from its published state, as a
// status bar's polls are; the figures are the two programs' own start-up and request costs. The
// client's start-up alone (printing its help) is timed in the same rotation to tell the two apart.
//
// Usage: bench_widget_one_shot [--client PATH] [--curl PATH] [--iterations N]

#include "ServedModel.h"

#include <BareChild.h>
#include <Statistics.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QStandardPaths>

#include <cstdio>
#include <thread>

using namespace tallyvane;
using namespace tallyvane::bench;
using namespace Qt::Literals::StringLiterals;

namespace {

struct Figures {
    std::vector<double> clientMs;
    std::vector<double> curlMs;
    std::vector<double> startUpMs; // the client printing its help: start-up and exit, no request
    int failures = 0;
};

// Wall time from spawn to reap; a run that fails or prints something other than `expected`
// (the client prints a fallback and succeeds when it cannot load) is counted, not timed.
void timeRun(const QString& executable, const QList<QByteArray>& arguments,
             const QMap<QString, QString>& environment, QByteArrayView expected, std::vector<double>& times,
             int& failures)
{
    QElapsedTimer timer;
    timer.start();
    std::optional<BareChild> child = BareChild::spawn(executable, arguments, environment);
    QByteArray output;
    const int status = child ? child->finish(&output) : -1;
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    if (status != 0 || !output.contains(expected))
        ++failures;
    else
        times.push_back(ms);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
#ifdef TALLYVANE_WIDGET_PATH
    QString client = QStringLiteral(TALLYVANE_WIDGET_PATH);
#else
    QString client;
#endif
    QString curl = QStandardPaths::findExecutable(u"curl"_s);
    int iterations = 30;
    const QStringList arguments = app.arguments();
    for (qsizetype i = 1; i + 1 < arguments.size(); i += 2) {
        if (arguments[i] == "--client"_L1)
            client = arguments[i + 1];
        else if (arguments[i] == "--curl"_L1)
            curl = arguments[i + 1];
        else if (arguments[i] == "--iterations"_L1)
            iterations = std::max(1, arguments[i + 1].toInt());
    }
    if (client.isEmpty()) {
        std::fprintf(stderr, "no widget client: built without tallyvane-widget and no --client PATH\n");
        return 3;
    }
    if (curl.isEmpty()) {
        std::fprintf(stderr, "curl not found (--curl PATH)\n");
        return 2;
    }

    ServedModel served(std::chrono::milliseconds(0), 64);
    if (!served.server.isListening()) {
        std::fprintf(stderr, "the widget server could not listen\n");
        return 1;
    }
    served.warmUp();
    const QByteArray endpoint = served.endpoint().toString().toUtf8();
    // Both get this process's environment; the client is a Qt program and must not look for a display.
    QMap<QString, QString> environment = BareChild::inheritedEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    const QList<QByteArray> clientArguments{"--once", "--format", "text", "--endpoint", endpoint};
    const QList<QByteArray> curlArguments{"-s", endpoint};
    const QList<QByteArray> startUpArguments{"--help"};

    // What each run prints when it reached the server: a percentage, the document, the help.
    constexpr QByteArrayView servedText = "%";
    constexpr QByteArrayView document = "\"providers\"";
    constexpr QByteArrayView help = "--once";
    // The children run from a thread of their own, so the server keeps its event loop.
    Figures figures;
    const int collectionsBefore = served.fixture.codex->collectCount();
    QEventLoop loop;
    std::thread runner([&] {
        std::vector<double> unused;
        int ignored = 0;
        // Page cache and the dynamic loader's first look at the libraries, for both.
        timeRun(client, clientArguments, environment, servedText, unused, ignored);
        timeRun(curl, curlArguments, environment, document, unused, ignored);
        for (int i = 0; i < iterations; ++i) {
            timeRun(client, clientArguments, environment, servedText, figures.clientMs, figures.failures);
            timeRun(curl, curlArguments, environment, document, figures.curlMs, figures.failures);
            timeRun(client, startUpArguments, environment, help, figures.startUpMs, figures.failures);
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    runner.join();
    // Answered from state: the refresh of the warm-up is the only one.
    const int refreshes = served.fixture.codex->collectCount() - collectionsBefore;
    const double clientMedian = median(figures.clientMs);
    const double curlMedian = median(figures.curlMs);
    std::printf(
        "%d pairs  tallyvane-widget --once median %7.2f ms  curl -s median %7.2f ms  ratio %.3f (target <= "
        "1.5)  client start-up alone (--help) %.2f ms  failures %d  refreshes started %d\n",
        iterations, clientMedian, curlMedian, curlMedian > 0 ? clientMedian / curlMedian : 0.0,
        median(figures.startUpMs), figures.failures, refreshes);
    return figures.failures == 0 && refreshes == 0 ? 0 : 1;
}
