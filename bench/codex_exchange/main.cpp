// One Codex collection through CodexUsageProvider, timed against the bare reference exchange
// with the same child, alternating in one run so both see the same machine. Prints the ratio
// of the medians and our own CPU time per collection (children excluded).
//
// Usage: bench_codex_exchange [--real PATH] [--iterations N]

#include "BareExchange.h"

#include <CodexProvider/CodexUsageProvider.h>
#include <FakeCodexScenario.h>
#include <ProviderKit/ProcessEnvironment.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QTemporaryDir>

#include <QCoroTask>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

namespace {

double cpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double median(std::vector<double> values)
{
    std::ranges::sort(values);
    return values[values.size() / 2];
}

struct Figures {
    double providerMedianMs;
    double bareMedianMs;
    double cpuMsPerCollection;
    int failures;
};

Figures measure(const QString& executable, int iterations)
{
    CodexUsageProvider provider(CodexLookup{.configuredExecutable = executable});
    const auto environment = ProcessEnvironment::forExecutable(executable);
    const UsageCollectionRequest request{QUuid::createUuid(), Instant::now()};

    // Warm both paths once: page cache, node's module cache, the blocking pool's threads.
    QCoro::waitFor(provider.collect(request));
    bench::runBareExchange(executable, environment);

    std::vector<double> providerMs, bareMs;
    double cpu = 0;
    int failures = 0;
    for (int i = 0; i < iterations; ++i) {
        QElapsedTimer timer;
        const double cpuBefore = cpuSeconds();
        timer.start();
        const ProviderCollectionResult result = QCoro::waitFor(provider.collect(request));
        providerMs.push_back(double(timer.nsecsElapsed()) / 1e6);
        cpu += cpuSeconds() - cpuBefore;
        if (result.windows.isEmpty() && result.diagnostics.size() != 1)
            ++failures;

        timer.start();
        if (!bench::runBareExchange(executable, environment))
            ++failures;
        bareMs.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return {median(providerMs), median(bareMs), cpu * 1000 / iterations, failures};
}

void print(const char* peer, const Figures& f, int iterations)
{
    std::printf("%-5s %3d pairs  provider median %8.2f ms  bare median %8.2f ms  ratio %.3f  "
                "own CPU %.3f ms/collection  failures %d\n",
                peer, iterations, f.providerMedianMs, f.bareMedianMs, f.providerMedianMs / f.bareMedianMs,
                f.cpuMsPerCollection, f.failures);
}

} // namespace

int main(int argc, char** argv)
{
    // The real CLI writes under $HOME/.codex: give it a throw-away home before anything starts.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    QCoreApplication app(argc, argv);

    QString real;
    int iterations = 20;
    const QStringList arguments = app.arguments();
    for (qsizetype i = 1; i + 1 < arguments.size(); i += 2) {
        if (arguments[i] == "--real"_L1)
            real = arguments[i + 1];
        else if (arguments[i] == "--iterations"_L1)
            iterations = arguments[i + 1].toInt();
    }

    QTemporaryDir scratch;
    auto fake = FakeCodexScenario::install(scratch.path());
    if (!fake) {
        std::fprintf(stderr, "could not install the fake codex\n");
        return 1;
    }
    const QJsonObject window{
        {u"usedPercent"_s, 42}, {u"windowDurationMins"_s, 300}, {u"resetsAt"_s, 1767225600}};
    const QJsonObject rateLimits{{u"rateLimits"_s, QJsonObject{{u"primary"_s, window}}}};
    const QJsonObject usage{{u"dailyUsageBuckets"_s, QJsonArray{QJsonObject{{u"startDate"_s, u"2026-12-01"_s},
                                                                            {u"tokens"_s, 1200}}}}};
    fake->set(FakeCodexCommand::version, FakeCodexScript::answer("codex-cli 0.171.0\n"));
    fake->set(FakeCodexCommand::appServer, FakeCodexScript::usageExchange(rateLimits, usage));

    print("fake", measure(fake->executablePath(), iterations), iterations);
    if (!real.isEmpty())
        print("real", measure(real, iterations), iterations);
    return 0;
}
