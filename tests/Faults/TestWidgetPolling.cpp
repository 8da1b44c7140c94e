// Status bars polling the widget endpoint over real sockets, with Codex collected
// through the real provider from the fake `codex`, which counts every start.

#include <CodexProvider/CodexUsageProvider.h>
#include <TallyvaneUI/Preferences.h>
#include <TallyvaneUI/UsageAppModel.h>
#include <TallyvaneUI/UsageNotifications.h>
#include <TallyvaneUI/WidgetLiveServer.h>

#include "FakeAuthenticator.h"
#include "FakeCodexScenario.h"
#include "FakeProvider.h"
#include "HttpTestClient.h"
#include "ManualClock.h"

#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

namespace {

// The application's model and server, with the real Codex provider reading the fake `codex`
// and a scripted Claude provider the test can hold.
struct PolledApplication {
    QTemporaryDir directory;
    std::optional<FakeCodexScenario> codex;
    Preferences preferences{directory.filePath(u"preferences.json"_s)};
    UsageNotificationController notifications{nullptr, [] { return UsageAlertSettings{}; }};
    ManualClock clock;
    std::shared_ptr<FakeAuthenticator> authentication = std::make_shared<FakeAuthenticator>();
    std::shared_ptr<FakeProvider> claude = FakeProvider::create(providerID(ProviderService::claude));
    std::unique_ptr<UsageAppModel> model;
    std::unique_ptr<WidgetLiveServer> server;

    PolledApplication()
    {
        auto installed = FakeCodexScenario::install(directory.filePath(u"bin"_s));
        if (!installed)
            return;
        codex = std::move(*installed);
        const QJsonObject window{
            {u"usedPercent"_s, 42}, {u"windowDurationMins"_s, 300}, {u"resetsAt"_s, 1767225600}};
        const QJsonObject usage{{u"dailyUsageBuckets"_s, QJsonArray{}}};
        if (!codex->set(FakeCodexCommand::version, FakeCodexScript::answer("codex-cli 0.171.0\n")) ||
            !codex->set(FakeCodexCommand::appServer,
                        FakeCodexScript::usageExchange(
                            QJsonObject{{u"rateLimits"_s, QJsonObject{{u"primary"_s, window}}}}, usage))) {
            codex.reset();
            return;
        }
        claude->answerWithWindowAnd({});
        const auto codexProvider =
            std::make_shared<CodexUsageProvider>(CodexLookup{.configuredExecutable = codex->executablePath(),
                                                             .environment = EnvironmentMap{},
                                                             .homeDirectory = directory.path()});
        model = std::make_unique<UsageAppModel>(
            authentication,
            UsageAppModel::ProviderMap{{ProviderService::codex, codexProvider},
                                       {ProviderService::claude, claude}},
            clock.function(), preferences, notifications,
            UsageAppModel::Timing{.tick = std::chrono::hours(1)});
        server = std::make_unique<WidgetLiveServer>(*model, WidgetLiveServer::Limits{.port = 0});
        server->start();
    }

    bool isReady() const { return codex && server && server->isListening(); }

    // Collections through the fake: one app-server exchange each.
    qsizetype codexLaunches() const
    {
        qsizetype launches = 0;
        for (const QStringList& arguments : codex->invocations())
            launches += arguments.value(0) == "app-server"_L1 && !arguments.contains(u"--help"_s);
        return launches;
    }
};

// One request on its own connection: the document served, if the server answered in time.
std::optional<WidgetUsageSnapshot> ask(quint16 port, int patienceMs = 15000)
{
    HttpTestClient client(port, HttpTestClient::widgetRequest("127.0.0.1:" + QByteArray::number(port)));
    if (!client.waitClosed(patienceMs) || client.statusLine() != "HTTP/1.1 200 OK")
        return std::nullopt;
    return WidgetUsageSnapshot::fromJsonBytes(client.body());
}

double codexUsed(const WidgetUsageSnapshot& snapshot)
{
    const WidgetProviderUsage& codex = snapshot.providers.value(0);
    return codex.windows.isEmpty() ? -1 : codex.windows.first().usedFraction;
}

} // namespace

class TestWidgetPolling : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Claude's side of a refresh hangs for half a minute; the status bar is not kept waiting for it.
    void slowRefreshIsAnsweredWithTheEarlierState()
    {
        PolledApplication app;
        QVERIFY(app.isReady());
        const std::optional<WidgetUsageSnapshot> first = ask(app.server->serverPort());
        QVERIFY(first);
        const WidgetDate earlier = first->updatedAt;

        app.clock.advance(120);
        app.claude->hold();
        const std::optional<WidgetUsageSnapshot> answer = ask(app.server->serverPort(), 10'500);
        QVERIFY2(answer, "no document within 10.5 s");
        QCOMPARE(answer->updatedAt, earlier);
        QCOMPARE(codexUsed(*answer), 0.42);
        QCOMPARE(app.codexLaunches(), 2);
        QVERIFY(app.model->isRefreshing()); // the refresh goes on

        app.claude->release();
        QTRY_VERIFY(!app.model->isRefreshing());
        const std::optional<WidgetUsageSnapshot> after = ask(app.server->serverPort());
        QVERIFY(after);
        QVERIFY(after->updatedAt != earlier);
        QCOMPARE(app.codexLaunches(), 2);
    }
};

QTEST_GUILESS_MAIN(TestWidgetPolling)
#include "TestWidgetPolling.moc"
