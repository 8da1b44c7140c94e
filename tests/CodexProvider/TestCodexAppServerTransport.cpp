#include <CodexProvider/BlockingAppServerOperation.h>
#include <CodexProvider/CodexAppServerTransport.h>

#include "CodexExpectations.h"
#include "ProcessProbes.h"
#include "ScratchFakeCodex.h"

#include <QTest>

#include <atomic>
#include <csignal>
#include <pthread.h>
#include <thread>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

namespace {

using Outcome = std::expected<CodexAppServerResponse, CodexProviderError>;

const EnvironmentMap childEnvironment{{u"PATH"_s, u"/usr/bin:/bin"_s}};
constexpr qint64 megabyte = 1048576;
// Long enough for any healthy exchange here; the cases that must wait use shortDeadline.
constexpr double normalDeadline = 20;
constexpr double shortDeadline = 1;

const QByteArray handshakeAnswer = R"({"id":1,"result":{"userAgent":"fake"}})";
const QByteArray rateLimitsAnswer = R"({"id":2,"result":{"rateLimits":{"primary":{"usedPercent":42}}}})";
const QByteArray usageAnswer = R"({"id":3,"result":{"dailyUsageBuckets":[]}})";
const QByteArray notification = R"({"method":"remoteControl/status/changed","params":{}})";
const QString withUsage = u"rate limits and usage"_s;
const QString withoutUsage = u"rate limits only"_s;

// Answers the handshake and reads lines 2 to 4, so what follows is written once all
// four request lines have arrived.
FakeCodexScript afterRequests()
{
    FakeCodexScript script;
    script.expect(u"initialize"_s).writeRaw(line(handshakeAnswer));
    script.expect(u"account/rateLimits/read"_s).expect(u"account/usage/read"_s);
    return script;
}

// These answers after the requests, then silence.
FakeCodexScript after(const QString& answers)
{
    return afterRequests().writeRaw(answers).sleep(30000);
}

struct Fixture {
    ScratchFakeCodex fake;

    bool install(const FakeCodexScript& script)
    {
        return fake.isValid() && fake->set(FakeCodexCommand::appServer, script);
    }
};

// withUsage or withoutUsage when the rate limits arrived intact, else the failure's kind and
// RPC code.
QString outcomeName(const Outcome& outcome)
{
    if (!outcome) {
        const auto code = outcome.error().rpcCode();
        return caseName(outcome.error().kind()) + (code ? u' ' + QString::number(*code) : QString());
    }
    if (outcome->rateLimits != rateLimitsAnswer)
        return u"other rate limits"_s;
    if (!outcome->accountUsage)
        return withoutUsage;
    return outcome->accountUsage == usageAnswer ? withUsage : u"other usage"_s;
}

Outcome run(const QString& executable, double timeout = normalDeadline)
{
    const CodexAppServerTransport transport(executable, childEnvironment, timeout, megabyte);
    return QCoro::waitFor(transport.fetch());
}

void interrupted(int) {}

} // namespace

Q_DECLARE_METATYPE(tallyvane::testing::FakeCodexScript)

class TestCodexAppServerTransport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void conversationEndsAsTyped_data()
    {
        QTest::addColumn<FakeCodexScript>("script");
        QTest::addColumn<double>("timeout");
        QTest::addColumn<QString>("outcome");
        const auto row = [](const char* name, const FakeCodexScript& script, const QString& outcome,
                            double timeout = normalDeadline) {
            QTest::newRow(name) << script << timeout << outcome;
        };
        const QString limits = line(rateLimitsAnswer);
        const QString usage = line(usageAnswer);
        const QString timedOut = u"timedOut"_s;
        const QString malformed = u"malformedLine"_s;
        const QString ended = u"streamEnded"_s;

        // Answers are matched by their id, whatever comes between or around them.
        row("usage first, notification between",
            afterRequests()
                .writeRaw(line(notification) + usage + line(notification))
                .sleep(100)
                .writeRaw(limits)
                .sleep(30000),
            withUsage);
        row("rate limits, then exit", afterRequests().writeRaw(limits).exitWith(0), withoutUsage);
        row("rate limits, then silence until the deadline", after(limits), withoutUsage, shortDeadline);
        row("usage error after rate limits",
            after(limits + line(R"({"id":3,"error":{"code":-32600,"message":"sign in"}})")), withoutUsage);
        row("usage error before rate limits", after(line(R"({"id":3,"error":{"code":-32600}})") + limits),
            withoutUsage);
        row("error without an id is ignored",
            after(line(R"({"error":{"code":-32000}})") + line(R"({"id":null,"error":{"code":1}})") + limits +
                  usage),
            withUsage);
        row("empty lines are skipped", after(u"\n\n"_s + limits + u"\n"_s + usage), withUsage);
        row("answer split across writes",
            afterRequests()
                .writeRaw(QString::fromUtf8(rateLimitsAnswer.first(20)))
                .sleep(100)
                .writeRaw(line(rateLimitsAnswer.sliced(20)) + QString::fromUtf8(usageAnswer.first(5)))
                .sleep(100)
                .writeRaw(line(usageAnswer.sliced(5)))
                .sleep(30000),
            withUsage);
        row("partial usage line at the end is dropped",
            afterRequests().writeRaw(limits + QString::fromUtf8(usageAnswer)).exitWith(0), withoutUsage);

        row("usage but never rate limits", after(usage), timedOut, shortDeadline);
        // The rate limits' very payload, under an id no request used: it answers nothing.
        row("an unknown id instead of the rate limits",
            after(line(QByteArray(rateLimitsAnswer).replace(R"("id":2)", R"("id":7)")) + usage), timedOut,
            shortDeadline);
        row("handshake error", FakeCodexScript().respondError(u"initialize"_s, -32001).sleep(30000),
            u"rpcError -32001"_s);
        row("error on an unknown id", after(line(R"({"id":9,"error":{"code":4}})")), u"rpcError 4"_s);
        row("plain text", FakeCodexScript().writeRaw(u"codex starting up\n"_s).sleep(30000), malformed);
        row("string id", after(line(R"({"id":"2","result":{}})")), malformed);
        row("fractional id", after(line(R"({"id":2.5,"result":{}})")), malformed);
        row("array", FakeCodexScript().writeRaw(u"[1]\n"_s).sleep(30000), malformed);
        row("error without a code", after(line(R"({"id":3,"error":{"message":"x"}})")), malformed);
        row("unterminated rate limits at exit",
            afterRequests().writeRaw(QString::fromUtf8(rateLimitsAnswer)).exitWith(0), ended);
        row("stdout closed early", FakeCodexScript().closeStdout().sleep(30000), ended);
        // The handshake answer comes only after the child stopped reading, so lines 2 to 4 hit
        // a closed pipe (line 1 may too).
        row("child stopped reading",
            FakeCodexScript().closeStdin().writeRaw(line(handshakeAnswer)).sleep(30000), u"writeFailed"_s);

        // The output limit counts every byte, notifications included, and is inclusive.
        const qint64 answers = line(handshakeAnswer).size() + limits.size() + usage.size();
        for (const qint64 overshoot : {0, 1})
            row(overshoot ? "one byte over the limit" : "exactly the limit",
                afterRequests()
                    .fill(megabyte - answers + overshoot, FakeCodexScript::Fill::notificationLines)
                    .writeRaw(limits + usage)
                    .sleep(30000),
                overshoot ? u"outputLimitExceeded"_s : withUsage);
    }

    void conversationEndsAsTyped()
    {
        QFETCH(FakeCodexScript, script);
        QFETCH(double, timeout);
        QFETCH(QString, outcome);
        Fixture fixture;
        QVERIFY(fixture.install(script));
        QCOMPARE(outcomeName(run(fixture.fake->executablePath(), timeout)), outcome);
    }

    void requestLinesAreWrittenOnceAndExactly()
    {
        // SIGTERM is ignored so the fake reads (and logs) everything we wrote until stdin closes.
        Fixture fixture;
        QVERIFY(
            fixture.install(FakeCodexScript()
                                .ignoreSigterm()
                                .expect(u"initialize"_s)
                                .writeRaw(line(handshakeAnswer) + line(notification) + line(handshakeAnswer))
                                .expect(u"account/usage/read"_s)
                                .writeRaw(line(rateLimitsAnswer) + line(usageAnswer))));

        QCOMPARE(outcomeName(run(fixture.fake->executablePath())), withUsage);
        const auto exited = [&] {
            return std::ranges::any_of(fixture.fake->events(), [](const QJsonObject& event) {
                return event.value(u"event"_s) == u"exit"_s;
            });
        };
        QTRY_VERIFY_WITH_TIMEOUT(exited(), reaperWaitMs);
        QCOMPARE(fixture.fake->invocations(),
                 QList<QStringList>{(QStringList{u"app-server"_s, u"--stdio"_s})});
        const QByteArrayList expected{
            R"({"id":1,"method":"initialize","params":{"clientInfo":{"name":"tallyvane","version":"0.1.0"},)"
            R"("capabilities":{"experimentalApi":true}}})",
            R"({"method":"initialized","params":{}})",
            R"({"id":2,"method":"account/rateLimits/read","params":null})",
            R"({"id":3,"method":"account/usage/read","params":null})",
        };
        QCOMPARE(fixture.fake->receivedLines(), expected);
        for (const QJsonObject& event : fixture.fake->events())
            QVERIFY2(!event.contains(u"partial"_s), "every request line ends with a line feed");
    }

    void unstartableExecutableIsLaunchFailed()
    {
        // Every way a start fails is the spawn's own (the command runner's table); here only its type.
        Fixture fixture;
        QVERIFY(fixture.fake.isValid());
        QCOMPARE(outcomeName(run(fixture.fake.path(u"missing"_s))), u"launchFailed"_s);
    }

    void interruptedWaitsAreRetried()
    {
        // Without SA_RESTART every signal makes the blocked poll fail with EINTR.
        struct sigaction action {};
        action.sa_handler = interrupted;
        sigemptyset(&action.sa_mask);
        struct sigaction previous {};
        QCOMPARE(::sigaction(SIGUSR1, &action, &previous), 0);

        Fixture fixture;
        QVERIFY(fixture.install(afterRequests()
                                    .sleep(300)
                                    .writeRaw(line(rateLimitsAnswer))
                                    .sleep(300)
                                    .writeRaw(line(usageAnswer))
                                    .sleep(30000)));
        const BlockingAppServerOperation operation(fixture.fake->executablePath(), childEnvironment,
                                                   normalDeadline, megabyte);
        std::atomic<bool> done = false;
        Outcome outcome;
        std::thread worker([&] {
            outcome = operation.run();
            done = true;
        });
        int signalsSent = 0;
        while (!done) {
            ::pthread_kill(worker.native_handle(), SIGUSR1);
            ++signalsSent;
            QTest::qSleep(5);
        }
        worker.join();
        ::sigaction(SIGUSR1, &previous, nullptr);

        QVERIFY(signalsSent > 10);
        QCOMPARE(outcomeName(outcome), withUsage);
    }

    void cleanupTestCase() { QTRY_VERIFY_WITH_TIMEOUT(noChildrenRemain(), reaperWaitMs); }
};

QTEST_GUILESS_MAIN(TestCodexAppServerTransport)
#include "TestCodexAppServerTransport.moc"
