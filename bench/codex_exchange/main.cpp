// One Codex collection through CodexUsageProvider, timed against the bare reference exchange
// with the same child, alternating in one run so both see the same machine. Prints the ratio
// of the medians and our own CPU time per collection (children excluded).
//
// Usage: bench_codex_exchange [--real PATH] [--iterations N]

#include <AnsweringCodex.h>
#include <BareExchange.h>
#include <Statistics.h>

#include <CodexProvider/CodexUsageProvider.h>
#include <ProviderKit/ProcessEnvironment.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <QCoroTask>

#include <cstdio>
#include <vector>

using namespace tallyvane;
using namespace tallyvane::bench;
using namespace Qt::Literals::StringLiterals;

namespace {

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
    runBareExchange(executable, environment);

    std::vector<double> providerMs, bareMs;
    double cpu = 0;
    int failures = 0;
    for (int i = 0; i < iterations; ++i) {
        QElapsedTimer timer;
        const double cpuBefore = ownCpuSeconds();
        timer.start();
        const ProviderCollectionResult result = QCoro::waitFor(provider.collect(request));
        providerMs.push_back(double(timer.nsecsElapsed()) / 1e6);
        cpu += ownCpuSeconds() - cpuBefore;
        if (result.windows.isEmpty() && result.diagnostics.size() != 1)
            ++failures;

        timer.start();
        if (!runBareExchange(executable, environment))
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
    auto fake = installAnsweringCodex(scratch.path());
    if (!fake) {
        std::fprintf(stderr, "could not install the fake codex\n");
        return 1;
    }

    print("fake", measure(fake->executablePath(), iterations), iterations);
    if (!real.isEmpty())
        print("real", measure(real, iterations), iterations);
    return 0;
}
