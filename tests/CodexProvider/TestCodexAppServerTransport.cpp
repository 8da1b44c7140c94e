#include <CodexProvider/BlockingAppServerOperation.h>
#include <CodexProvider/CodexAppServerTransport.h>

#include "FakeCodexScenario.h"
#include "ProcessProbes.h"

#include <QFile>
#include <QTemporaryDir>
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
// SIGTERM, then SIGKILL after the 2 s grace, then the reap: all well within this.
constexpr int reaperWaitMs = 8000;

const QByteArray handshakeAnswer = R"({"id":1,"result":{"userAgent":"fake"}})";
const QByteArray rateLimitsAnswer = R"({"id":2,"result":{"rateLimits":{"primary":{"usedPercent":42}}}})";
const QByteArray usageAnswer = R"({"id":3,"result":{"dailyUsageBuckets":[]}})";
const QByteArray notification = R"({"method":"remoteControl/status/changed","params":{}})";

QString line(const QByteArray& text)
{
    return QString::fromUtf8(text + '\n');
}

// Answers the handshake and reads lines 2 to 4, so what follows is written once all
// four request lines have arrived.
FakeCodexScript afterRequests()
{
    FakeCodexScript script;
    script.expect(u"initialize"_s).writeRaw(line(handshakeAnswer));
    script.expect(u"account/rateLimits/read"_s).expect(u"account/usage/read"_s);
    return script;
}

struct Fixture {
    QTemporaryDir directory;
    std::optional<FakeCodexScenario> fake;

    bool install(const FakeCodexScript& script)
    {
        auto installed = FakeCodexScenario::install(directory.path());
        if (!installed)
            return false;
        fake = std::move(*installed);
        return fake->set(FakeCodexCommand::appServer, script);
    }

    Outcome fetch(double timeout = normalDeadline, qint64 limit = megabyte) const
    {
        const CodexAppServerTransport transport(fake->executablePath(), childEnvironment, timeout, limit);
        return QCoro::waitFor(transport.fetch());
    }
};

// A process is gone for good once it no longer exists or is only a zombie of someone else's.
bool processEnded(qint64 pid)
{
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close < 0 || text.mid(close + 2, 1) == "Z";
}

void interrupted(int) {}

QString failureName(const Outcome& outcome)
{
    return outcome ? QString() : caseName(outcome.error().kind());
}

} // namespace

Q_DECLARE_METATYPE(tallyvane::testing::FakeCodexScript)
Q_DECLARE_METATYPE(std::optional<QByteArray>)
Q_DECLARE_METATYPE(tallyvane::CodexProviderError)

class TestCodexAppServerTransport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void answersAreMatchedByTheirId_data();
    void answersAreMatchedByTheirId();
    void failuresAreTyped_data();
    void failuresAreTyped();
    void requestLinesAreWrittenOnceAndExactly();
    void outputLimitIsInclusive_data();
    void outputLimitIsInclusive();
    void unstartableExecutableIsLaunchFailed_data();
    void unstartableExecutableIsLaunchFailed();
    void stubbornChildEndsByTheDeadlineAndIsReaped_data();
    void stubbornChildEndsByTheDeadlineAndIsReaped();
    void interruptedWaitsAreRetried();
    void cleanupTestCase();
};

void TestCodexAppServerTransport::answersAreMatchedByTheirId_data()
{
    QTest::addColumn<FakeCodexScript>("script");
    QTest::addColumn<double>("timeout");
    QTest::addColumn<std::optional<QByteArray>>("usage");
    const auto row = [](const char* name, const FakeCodexScript& script, bool withUsage,
                        double timeout = normalDeadline) {
        QTest::newRow(name) << script << timeout << (withUsage ? std::optional(usageAnswer) : std::nullopt);
    };
    const QString limits = line(rateLimitsAnswer);
    row("usage first, notification between",
        afterRequests()
            .writeRaw(line(notification) + line(usageAnswer) + line(notification))
            .sleep(100)
            .writeRaw(limits)
            .sleep(30000),
        true);
    row("rate limits, then exit", afterRequests().writeRaw(limits).exitWith(0), false);
    row("rate limits, then silence until the deadline", afterRequests().writeRaw(limits).sleep(30000), false,
        shortDeadline);
    row("usage error after rate limits",
        afterRequests()
            .writeRaw(limits + line(R"({"id":3,"error":{"code":-32600,"message":"sign in"}})"))
            .sleep(30000),
        false);
    row("usage error before rate limits",
        afterRequests().writeRaw(line(R"({"id":3,"error":{"code":-32600}})") + limits).sleep(30000), false);
    row("error without an id is ignored",
        afterRequests()
            .writeRaw(line(R"({"error":{"code":-32000}})") + line(R"({"id":null,"error":{"code":1}})"))
            .writeRaw(limits + line(usageAnswer))
            .sleep(30000),
        true);
    row("empty lines are skipped",
        afterRequests().writeRaw(u"\n\n"_s + limits + u"\n"_s + line(usageAnswer)).sleep(30000), true);
    row("answer split across writes",
        afterRequests()
            .writeRaw(QString::fromUtf8(rateLimitsAnswer.first(20)))
            .sleep(100)
            .writeRaw(line(rateLimitsAnswer.sliced(20)) + QString::fromUtf8(usageAnswer.first(5)))
            .sleep(100)
            .writeRaw(line(usageAnswer.sliced(5)))
            .sleep(30000),
        true);
    row("partial usage line at the end is dropped",
        afterRequests().writeRaw(limits + QString::fromUtf8(usageAnswer)).exitWith(0), false);
}

void TestCodexAppServerTransport::answersAreMatchedByTheirId()
{
    QFETCH(FakeCodexScript, script);
    QFETCH(double, timeout);
    QFETCH(std::optional<QByteArray>, usage);
    Fixture fixture;
    QVERIFY(fixture.install(script));

    const Outcome outcome = fixture.fetch(timeout);
    QVERIFY2(outcome, qPrintable(failureName(outcome)));
    QCOMPARE(outcome->rateLimits, rateLimitsAnswer);
    QCOMPARE(outcome->accountUsage, usage);
}

void TestCodexAppServerTransport::failuresAreTyped_data()
{
    QTest::addColumn<FakeCodexScript>("script");
    QTest::addColumn<double>("timeout");
    QTest::addColumn<CodexProviderError>("expected");
    const auto row = [](const char* name, const FakeCodexScript& script, CodexProviderError expected,
                        double timeout = normalDeadline) {
        QTest::newRow(name) << script << timeout << expected;
    };
    using enum CodexProviderError::Kind;
    const auto after = [](const QByteArray& answers) {
        return afterRequests().writeRaw(line(answers)).sleep(30000);
    };

    row("silent child", FakeCodexScript().sleep(30000), timedOut, shortDeadline);
    row("usage but never rate limits", after(usageAnswer), timedOut, shortDeadline);
    // The rate limits' very payload, under an id no request used: it answers nothing.
    row("an unknown id instead of the rate limits",
        after(QByteArray(rateLimitsAnswer).replace(R"("id":2)", R"("id":7)") + "\n" + usageAnswer), timedOut,
        shortDeadline);
    row("handshake error", FakeCodexScript().respondError(u"initialize"_s, -32001).sleep(30000),
        CodexProviderError::rpcError(-32001));
    row("rate-limit error after usage",
        after(usageAnswer + "\n" + R"({"id":2,"error":{"code":-32600,"message":"no"}})"),
        CodexProviderError::rpcError(-32600));
    row("error on an unknown id", afterRequests().writeRaw(line(R"({"id":9,"error":{"code":4}})")),
        CodexProviderError::rpcError(4));
    row("plain text", FakeCodexScript().writeRaw(u"codex starting up\n"_s).sleep(30000), malformedLine);
    row("string id", after(R"({"id":"2","result":{}})"), malformedLine);
    row("fractional id", after(R"({"id":2.5,"result":{}})"), malformedLine);
    row("array", FakeCodexScript().writeRaw(u"[1]\n"_s).sleep(30000), malformedLine);
    row("error without a code", after(R"({"id":3,"error":{"message":"x"}})"), malformedLine);
    row("exit before rate limits", afterRequests().writeRaw(line(usageAnswer)).exitWith(0), streamEnded);
    row("unterminated rate limits at exit",
        afterRequests().writeRaw(QString::fromUtf8(rateLimitsAnswer)).exitWith(0), streamEnded);
    row("stdout closed early", FakeCodexScript().closeStdout().sleep(30000), streamEnded);
    // The handshake answer comes only after the child stopped reading, so lines 2 to 4 hit a
    // closed pipe (line 1 may too).
    row("child stopped reading", FakeCodexScript().closeStdin().writeRaw(line(handshakeAnswer)).sleep(30000),
        writeFailed);
}

void TestCodexAppServerTransport::failuresAreTyped()
{
    QFETCH(FakeCodexScript, script);
    QFETCH(double, timeout);
    QFETCH(CodexProviderError, expected);
    Fixture fixture;
    QVERIFY(fixture.install(script));

    const Outcome outcome = fixture.fetch(timeout);
    QVERIFY(!outcome);
    QCOMPARE(failureName(outcome), caseName(expected.kind()));
    QCOMPARE(outcome.error().rpcCode(), expected.rpcCode());
}

void TestCodexAppServerTransport::requestLinesAreWrittenOnceAndExactly()
{
    // SIGTERM is ignored so the fake reads (and logs) everything we wrote until stdin closes.
    FakeCodexScript script;
    script.ignoreSigterm()
        .expect(u"initialize"_s)
        .writeRaw(line(handshakeAnswer) + line(notification) + line(handshakeAnswer))
        .expect(u"account/usage/read"_s)
        .writeRaw(line(rateLimitsAnswer) + line(usageAnswer));
    Fixture fixture;
    QVERIFY(fixture.install(script));

    QVERIFY(fixture.fetch());
    const auto exited = [&] {
        const QList<QJsonObject> events = fixture.fake->events();
        return std::any_of(events.begin(), events.end(),
                           [](const QJsonObject& event) { return event.value(u"event"_s) == u"exit"_s; });
    };
    QTRY_VERIFY_WITH_TIMEOUT(exited(), reaperWaitMs);
    QCOMPARE(fixture.fake->invocations(), QList<QStringList>{(QStringList{u"app-server"_s, u"--stdio"_s})});
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

void TestCodexAppServerTransport::outputLimitIsInclusive_data()
{
    QTest::addColumn<qint64>("overshoot");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("exactly the limit") << qint64(0) << true;
    QTest::newRow("one byte more") << qint64(1) << false;
}

void TestCodexAppServerTransport::outputLimitIsInclusive()
{
    QFETCH(qint64, overshoot);
    QFETCH(bool, accepted);
    const qint64 answers =
        line(handshakeAnswer).size() + line(rateLimitsAnswer).size() + line(usageAnswer).size();
    FakeCodexScript script = afterRequests();
    script.fill(megabyte - answers + overshoot, FakeCodexScript::Fill::notificationLines)
        .writeRaw(line(rateLimitsAnswer) + line(usageAnswer))
        .sleep(30000);
    Fixture fixture;
    QVERIFY(fixture.install(script));

    const Outcome outcome = fixture.fetch(normalDeadline, megabyte);
    if (accepted) {
        QVERIFY(outcome);
        QCOMPARE(outcome->accountUsage, std::optional(usageAnswer));
    } else {
        QVERIFY(!outcome);
        QCOMPARE(outcome.error(), CodexProviderError(CodexProviderError::Kind::outputLimitExceeded));
    }
}

void TestCodexAppServerTransport::unstartableExecutableIsLaunchFailed_data()
{
    QTest::addColumn<QByteArray>("contents"); // empty: no file at all
    QTest::addColumn<QFile::Permissions>("permissions");
    QTest::newRow("missing") << QByteArray() << QFile::Permissions();
    QTest::newRow("not executable") << QByteArray("#!/bin/sh\n") << QFile::Permissions(QFile::ReadOwner);
    QTest::newRow("not a program") << QByteArray("\x01\x02garbage") << (QFile::ReadOwner | QFile::ExeOwner);
}

void TestCodexAppServerTransport::unstartableExecutableIsLaunchFailed()
{
    QFETCH(QByteArray, contents);
    QFETCH(QFile::Permissions, permissions);
    QTemporaryDir directory;
    const QString path = directory.filePath(u"codex"_s);
    if (!contents.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
        file.close();
        QVERIFY(file.setPermissions(permissions));
    }
    const CodexAppServerTransport transport(path, childEnvironment, normalDeadline, megabyte);
    const Outcome outcome = QCoro::waitFor(transport.fetch());
    QVERIFY(!outcome);
    QCOMPARE(outcome.error(), CodexProviderError(CodexProviderError::Kind::launchFailed));
}

void TestCodexAppServerTransport::stubbornChildEndsByTheDeadlineAndIsReaped_data()
{
    // The fault suite covers such children that never answer; these answered the rate limits.
    QTest::addColumn<FakeCodexScript>("script");
    QTest::newRow("ignores SIGTERM after answering")
        << afterRequests().ignoreSigterm().writeRaw(line(rateLimitsAnswer)).sleep(60000);
    // The fake exits, but its own child keeps our read end from ever seeing end of stream.
    QTest::newRow("grandchild holds stdout")
        << afterRequests().writeRaw(line(rateLimitsAnswer)).spawnGrandchild(60000).exitWith(0);
}

void TestCodexAppServerTransport::stubbornChildEndsByTheDeadlineAndIsReaped()
{
    QFETCH(FakeCodexScript, script);
    Fixture fixture;
    QVERIFY(fixture.install(script));

    const Outcome outcome = fixture.fetch(shortDeadline);
    QVERIFY(outcome);
    QCOMPARE(outcome->accountUsage, std::nullopt);
    QTRY_VERIFY_WITH_TIMEOUT(noChildrenRemain(), reaperWaitMs);
    // The termination goes to the whole group, so a lingering grandchild goes as well.
    for (const QJsonObject& event : fixture.fake->events()) {
        if (event.value(u"event"_s) == u"grandchild"_s)
            QTRY_VERIFY_WITH_TIMEOUT(processEnded(event.value(u"grandchildPid"_s).toInteger()), reaperWaitMs);
    }
}

void TestCodexAppServerTransport::interruptedWaitsAreRetried()
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

    QVERIFY2(outcome, qPrintable(failureName(outcome)));
    QVERIFY(signalsSent > 10);
    QCOMPARE(outcome->rateLimits, rateLimitsAnswer);
    QCOMPARE(outcome->accountUsage, std::optional(usageAnswer));
}

void TestCodexAppServerTransport::cleanupTestCase()
{
    QTRY_VERIFY_WITH_TIMEOUT(noChildrenRemain(), reaperWaitMs);
}

QTEST_GUILESS_MAIN(TestCodexAppServerTransport)
#include "TestCodexAppServerTransport.moc"
