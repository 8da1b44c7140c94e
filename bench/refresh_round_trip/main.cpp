// One full refresh of both services through the application model and the real providers: Codex
// against a codex executable (the fake, and the real CLI when given), Claude against a loopback
// usage endpoint with a stored credential. Timed against the bare reference doing the same
// work the same way, both at once: the child exchange on a thread and one plain GET to the same
// server. They alternate in one run, so both see the same machine, with a third contender in
// the rotation: the two providers' collections without the model, which tells the model's share
// of the difference from the providers'. Prints the ratio of the medians and our own CPU per
// refresh (children excluded).
//
// Usage: bench_refresh_round_trip [--real PATH] [--iterations N]
// Without --real, TALLYVANE_REAL_CODEX names the real CLI if it is set.

#include <AnsweringCodex.h>
#include <BareExchange.h>
#include <Statistics.h>

#include <FakeAuthenticator.h>
#include <FakeClaudeServer.h>
#include <InMemoryCredentialStore.h>

#include <ClaudeProvider/ClaudeUsageProvider.h>
#include <CodexProvider/CodexUsageProvider.h>
#include <ProviderKit/ProcessEnvironment.h>
#include <TallyvaneUI/Preferences.h>
#include <TallyvaneUI/UsageAppModel.h>
#include <TallyvaneUI/UsageNotifications.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTemporaryDir>

#include <QCoroTask>

#include <cstdio>
#include <thread>

using namespace tallyvane;
using namespace tallyvane::bench;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

namespace {

const QString clientID = u"5b0e9c3d-8a41-4f7e-b2c6-93d1a0e4f8b7"_s;
const QString accessToken = u"bench-access-token"_s;

const QJsonObject usageBody{
    {u"five_hour"_s, QJsonObject{{u"utilization"_s, 42.5}, {u"resets_at"_s, u"2026-12-06T20:00:00Z"_s}}},
    {u"seven_day"_s, QJsonObject{{u"utilization"_s, 10}, {u"resets_at"_s, u"2026-12-10T00:00:00Z"_s}}},
};

double elapsedMs(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// The model as the application builds it, with the two real providers; only the sign-in
// states and the credential store are stand-ins.
struct RealProvidersModel {
    QTemporaryDir directory;
    Preferences preferences{directory.filePath(u"preferences.json"_s)};
    UsageNotificationController notifications{nullptr, [] { return UsageAlertSettings{}; }};
    std::shared_ptr<FakeAuthenticator> authentication = std::make_shared<FakeAuthenticator>();
    std::shared_ptr<InMemoryCredentialStore> store;
    std::shared_ptr<ClaudeOAuthSession> session;
    std::shared_ptr<CodexUsageProvider> codexProvider;
    std::shared_ptr<ClaudeUsageProvider> claudeProvider;
    std::unique_ptr<UsageAppModel> model;

    RealProvidersModel(const QString& codex, const QUrl& claudeBase)
        : store(std::make_shared<InMemoryCredentialStore>(
              ClaudeOAuthCredential{.accessToken = accessToken,
                                    .refreshToken = u"bench-refresh-token"_s,
                                    .expiresAt = Instant::now().addingSeconds(86'400),
                                    .scopes = ClaudeOAuthSession::requestedScopes()}))
        , session(std::make_shared<ClaudeOAuthSession>(
              store, [](const QUrl&) { return false; }, claudeBase, claudeBase, clientID))
        , codexProvider(std::make_shared<CodexUsageProvider>(CodexLookup{.configuredExecutable = codex}))
        , claudeProvider(std::make_shared<ClaudeUsageProvider>(session, claudeBase))
    {
        model = std::make_unique<UsageAppModel>(
            authentication,
            UsageAppModel::ProviderMap{{ProviderService::codex, codexProvider},
                                       {ProviderService::claude, claudeProvider}},
            [] { return Instant::now(); }, preferences, notifications,
            UsageAppModel::Timing{.tick = std::chrono::hours(1)});
    }

    // Both services published with windows; a declined read (the real CLI offline) is the one
    // diagnostic that says so instead, which proves the child was really asked.
    bool refresh(bool codexDeclines)
    {
        QCoro::waitFor(model->refresh(RefreshTrigger::manual));
        bool ok = model->providers().size() == 2;
        for (const ProviderViewState& state : model->providers()) {
            const bool declined = state.service == ProviderService::codex && codexDeclines;
            ok = ok && (declined ? state.diagnostics.size() == 1 &&
                                       state.diagnostics[0].code == "codex.rpc_error"_L1
                                 : !state.windows.isEmpty());
        }
        return ok;
    }

    // The same two collections without the model: both started at once, then both awaited.
    bool collectDirectly(bool codexDeclines)
    {
        const Instant now = Instant::now();
        QCoro::Task<ProviderCollectionResult> codexTask =
            codexProvider->collect({UsageAppModel::connectionID(ProviderService::codex), now});
        QCoro::Task<ProviderCollectionResult> claudeTask =
            claudeProvider->collect({UsageAppModel::connectionID(ProviderService::claude), now});
        const ProviderCollectionResult codex = QCoro::waitFor(std::move(codexTask));
        const ProviderCollectionResult claude = QCoro::waitFor(std::move(claudeTask));
        return !claude.windows.isEmpty() &&
               (codexDeclines ? codex.diagnostics.size() == 1 : !codex.windows.isEmpty());
    }
};

struct BareRun {
    double wallMs = 0;
    double exchangeMs = 0;
    double getMs = 0;
    bool ok = false;
};

// The child exchange on a thread and one plain GET on this thread's event loop, at once, as the
// refresh runs its two collections.
BareRun runBare(const QString& codex, const EnvironmentMap& environment, QNetworkAccessManager& network,
                const QNetworkRequest& request)
{
    BareRun run;
    QElapsedTimer wall;
    wall.start();
    bool exchanged = false;
    std::thread exchange([&] {
        QElapsedTimer timer;
        timer.start();
        exchanged = runBareExchange(codex, environment);
        run.exchangeMs = elapsedMs(timer);
    });
    QElapsedTimer timer;
    timer.start();
    QNetworkReply* reply = network.get(request);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    const bool fetched = reply->error() == QNetworkReply::NoError && !reply->readAll().isEmpty();
    run.getMs = elapsedMs(timer);
    reply->deleteLater();
    exchange.join();
    run.wallMs = elapsedMs(wall);
    run.ok = exchanged && fetched;
    return run;
}

void measure(const char* peer, const QString& codex, bool codexDeclines, FakeClaudeServer& server,
             int iterations)
{
    RealProvidersModel subject(codex, server.baseURL());
    const EnvironmentMap environment = ProcessEnvironment::forExecutable(codex);
    QNetworkAccessManager network;
    QNetworkRequest request(
        QUrl(server.baseURL().toString() + QString::fromLatin1(FakeClaudeServer::usagePath)));
    request.setRawHeader("Authorization"_ba, "Bearer "_ba + accessToken.toLatin1());
    request.setRawHeader("Accept"_ba, "application/json"_ba);
    request.setRawHeader("anthropic-beta"_ba, "oauth-2025-04-20"_ba);

    // Warm both paths once: page cache, the blocking pool's threads, the network stacks.
    subject.refresh(codexDeclines);
    runBare(codex, environment, network, request);

    std::vector<double> refreshMs, directMs, bareMs, exchangeMs, getMs;
    double cpu = 0;
    int failures = 0;
    for (int i = 0; i < iterations; ++i) {
        QElapsedTimer timer;
        const double cpuBefore = ownCpuSeconds();
        timer.start();
        const bool refreshed = subject.refresh(codexDeclines);
        refreshMs.push_back(elapsedMs(timer));
        cpu += ownCpuSeconds() - cpuBefore;
        failures += refreshed ? 0 : 1;

        timer.start();
        failures += subject.collectDirectly(codexDeclines) ? 0 : 1;
        directMs.push_back(elapsedMs(timer));

        const BareRun bare = runBare(codex, environment, network, request);
        bareMs.push_back(bare.wallMs);
        exchangeMs.push_back(bare.exchangeMs);
        getMs.push_back(bare.getMs);
        failures += bare.ok ? 0 : 1;
    }
    std::printf(
        "%-5s %3d rounds  refresh median %8.2f ms  bare median %8.2f ms (exchange %.2f ms, GET %.2f ms, at "
        "once)  ratio %.3f (target <= 1.05)  own CPU %.3f ms/refresh  providers alone %.2f ms  failures %d\n",
        peer, iterations, median(refreshMs), median(bareMs), median(exchangeMs), median(getMs),
        median(refreshMs) / median(bareMs), cpu * 1000 / iterations, median(directMs), failures);
}

} // namespace

int main(int argc, char** argv)
{
    // The real CLI writes under $HOME/.codex: give it a throw-away home before anything starts.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    QCoreApplication app(argc, argv);

    QString real = qEnvironmentVariable("TALLYVANE_REAL_CODEX");
    int iterations = 20;
    const QStringList arguments = app.arguments();
    for (qsizetype i = 1; i + 1 < arguments.size(); i += 2) {
        if (arguments[i] == "--real"_L1)
            real = arguments[i + 1];
        else if (arguments[i] == "--iterations"_L1)
            iterations = std::max(1, arguments[i + 1].toInt());
    }
    if (!real.isEmpty())
        real = QFileInfo(real).absoluteFilePath(); // the provider takes only absolute locations

    QTemporaryDir scratch;
    auto fake = installAnsweringCodex(scratch.path());
    if (!fake) {
        std::fprintf(stderr, "could not install the fake codex\n");
        return 1;
    }
    FakeClaudeServer server(clientID);
    server.script(FakeClaudeServer::usagePath, FakeClaudeServer::jsonResponse(200, usageBody));
    server.expectBearerToken(accessToken);

    measure("fake", fake->executablePath(), false, server, iterations);
    // Offline the real CLI declines the rate-limit read; the collection then ends there.
    if (!real.isEmpty())
        measure("real", real, true, server, iterations);
    if (!server.violations().isEmpty()) {
        std::fprintf(stderr, "the Claude endpoint saw %d malformed requests\n",
                     int(server.violations().size()));
        return 1;
    }
    return 0;
}
