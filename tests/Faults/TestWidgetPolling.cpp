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
#include "ManualClock.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QSignalSpy>
#include <QTcpSocket>
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

// One request on its own connection; everything the server sends until it closes.
struct Answer {
    QByteArray bytes;
    bool closed = false;

    QByteArray statusLine() const { return bytes.left(bytes.indexOf("\r\n")); }
    std::optional<WidgetUsageSnapshot> document() const
    {
        return WidgetUsageSnapshot::fromJsonBytes(bytes.mid(bytes.indexOf("\r\n\r\n") + 4));
    }
};

Answer ask(quint16 port, int patienceMs = 15000)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    Answer answer;
    if (!socket.waitForConnected(5000))
        return answer;
    socket.write("GET /widget/v1 HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port) +
                 "\r\nAccept: */*\r\n\r\n");
    QSignalSpy closed(&socket, &QAbstractSocket::disconnected);
    answer.closed = socket.state() == QAbstractSocket::UnconnectedState || closed.wait(patienceMs);
    answer.bytes = socket.readAll();
    return answer;
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
    // A status bar polling every three seconds for a minute.
    void pollsWithinAMinuteShareOneRefresh()
    {
        PolledApplication app;
        QVERIFY(app.isReady());
        for (int poll = 0; poll < 20; ++poll) {
            const Answer answer = ask(app.server->serverPort());
            QVERIFY(answer.closed);
            QCOMPARE(answer.statusLine(), "HTTP/1.1 200 OK"_ba);
            QVERIFY(answer.document());
            QCOMPARE(codexUsed(*answer.document()), 0.42);
            app.clock.advance(2.9);
        }
        QCOMPARE(app.codexLaunches(), 1);
        QCOMPARE(app.claude->collectCount(), 1);
    }

    // Claude's side of a refresh hangs for half a minute; the status bar is not kept waiting for it.
    void slowRefreshIsAnsweredWithTheEarlierState()
    {
        PolledApplication app;
        QVERIFY(app.isReady());
        const Answer first = ask(app.server->serverPort());
        QVERIFY(first.document());
        const WidgetDate earlier = first.document()->updatedAt;

        app.clock.advance(120);
        app.claude->hold();
        QElapsedTimer waited;
        waited.start();
        const Answer answer = ask(app.server->serverPort(), 10'500);
        QVERIFY2(answer.closed, "no answer within 10.5 s");
        QVERIFY(waited.elapsed() < 10'500);
        QCOMPARE(answer.statusLine(), "HTTP/1.1 200 OK"_ba);
        QCOMPARE(answer.document()->updatedAt, earlier);
        QCOMPARE(codexUsed(*answer.document()), 0.42);
        QCOMPARE(app.codexLaunches(), 2);
        QVERIFY(app.model->isRefreshing()); // the refresh goes on

        app.claude->release();
        QTRY_VERIFY(!app.model->isRefreshing());
        const Answer after = ask(app.server->serverPort());
        QVERIFY(after.document());
        QVERIFY(after.document()->updatedAt != earlier);
        QCOMPARE(app.codexLaunches(), 2);
    }
};

QTEST_GUILESS_MAIN(TestWidgetPolling)
#include "TestWidgetPolling.moc"
