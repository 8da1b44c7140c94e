#include <CodexProvider/CodexAppServerTransport.h>
#include <ProviderKit/ChildProcess.h>
#include <ProviderKit/CodexOAuthSession.h>
#include <ProviderKit/FoundationCommandRunner.h>
#include <ProviderKit/ProcessSignals.h>

#include "ProcessProbes.h"
#include "ScratchFakeCodex.h"

#include <QElapsedTimer>
#include <QTest>

#include <csignal>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

namespace {

const EnvironmentMap childEnvironment{{u"PATH"_s, u"/usr/bin:/bin"_s}};
constexpr double deadline = 1.0;
constexpr qint64 outputLimit = 1 << 20;
// Scheduling noise on a loaded two-core machine, on top of the deadline and the grace.
constexpr qint64 slackMs = 1500;

const QString handshakeAnswer = uR"({"id":1,"result":{}})"_s + u'\n';

// Runs one call the way its owner does and names how it ended: the failure's case name, or
// "exit N" / "answered" for a call that returned.
QString runOneShot(const QString& executable)
{
    FoundationCommandRunner runner;
    const CommandResult result =
        QCoro::waitFor(runner.run(executable, {u"--version"_s}, childEnvironment, deadline, outputLimit));
    return result ? u"exit %1"_s.arg(result->status) : caseName(result.error());
}

QString runExchange(const QString& executable)
{
    const CodexAppServerTransport transport(executable, childEnvironment, deadline, outputLimit);
    const auto result = QCoro::waitFor(transport.fetch());
    return result ? u"answered"_s : caseName(result.error().kind());
}

QString runSignOut(const QString& executable)
{
    CodexOAuthSession session([](const QUrl&) { return false; });
    const auto result = QCoro::waitFor(session.logout(executable, childEnvironment));
    return result ? u"signed out"_s : debugText(result.error());
}

} // namespace

Q_DECLARE_METATYPE(tallyvane::testing::FakeCodexScript)

class TestChildFaults : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        ignoreSigpipeProcessWide();
        // One call of each kind first: the pool's threads bring descriptors of their own.
        ScratchFakeCodex fake;
        QVERIFY(fake.isValid());
        QCOMPARE(runOneShot(fake->executablePath()), u"exit 0"_s);
        QCOMPARE(runExchange(fake->executablePath()), u"rpcError"_s);
        QTRY_VERIFY_WITH_TIMEOUT(noChildrenRemain(), reaperWaitMs);
        m_descriptors = openDescriptorCount();
    }

    void faultyChildEndsOnTimeAndLeavesNothing_data()
    {
        QTest::addColumn<bool>("exchange"); // the app-server conversation, else a one-shot command
        QTest::addColumn<FakeCodexScript>("script");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<bool>("immediate"); // must not wait for the deadline at all

        const auto rows = [](const char* fault, const FakeCodexScript& script, const QString& oneShot,
                             bool oneShotImmediate, const QString& exchange, bool exchangeImmediate) {
            QTest::addRow("one-shot: %s", fault) << false << script << oneShot << oneShotImmediate;
            QTest::addRow("exchange: %s", fault) << true << script << exchange << exchangeImmediate;
        };
        // Past the handshake, so the exchange has written requests that stay unread.
        rows("ignores SIGTERM", FakeCodexScript().ignoreSigterm().writeRaw(handshakeAnswer).sleep(60000),
             u"timedOut"_s, false, u"timedOut"_s, false);
        // The fake exits at once; its child keeps stdout and stderr open for a minute, and only
        // SIGKILL ends it.
        rows("grandchild ignoring SIGTERM holds the output",
             FakeCodexScript().ignoreSigterm().spawnGrandchild(60000).exitWith(0), u"exit 0"_s, true,
             u"timedOut"_s, false);
        rows("writes without end", FakeCodexScript().fill(-1), u"outputLimitExceeded"_s, true,
             u"outputLimitExceeded"_s, true);
        QTest::newRow("one-shot: killed mid-line")
            << false << FakeCodexScript().writeRaw(u"{\"id\":2,\"res"_s).raiseSignal(SIGKILL)
            << u"exit %1"_s.arg(SIGKILL) << true;
    }

    void faultyChildEndsOnTimeAndLeavesNothing()
    {
        QFETCH(bool, exchange);
        QFETCH(FakeCodexScript, script);
        QFETCH(QString, outcome);
        QFETCH(bool, immediate);
        ScratchFakeCodex fake;
        QVERIFY(fake.isValid());
        QVERIFY(fake->set(exchange ? FakeCodexCommand::appServer : FakeCodexCommand::version, script));

        QElapsedTimer elapsed;
        elapsed.start();
        QCOMPARE(exchange ? runExchange(fake->executablePath()) : runOneShot(fake->executablePath()),
                 outcome);
        const qint64 bound =
            (immediate ? 0 : qint64(deadline * 1000) + ChildProcess::terminationGrace.count()) + slackMs;
        QVERIFY2(elapsed.elapsed() <= bound, qPrintable(u"took %1 ms"_s.arg(elapsed.elapsed())));

        // Every process of the child's group is gone and reaped, and every pipe end closed.
        QTRY_VERIFY_WITH_TIMEOUT(noChildrenRemain(), reaperWaitMs);
        for (const QJsonObject& event : fake->events()) {
            const qint64 pid = event.value(u"grandchildPid"_s).toInteger();
            if (pid > 0)
                QTRY_VERIFY_WITH_TIMEOUT(::kill(pid_t(pid), 0) != 0, reaperWaitMs);
        }
        QCOMPARE(openDescriptorCount(), m_descriptors);
    }

    void hundredCallsLeaveNoChildOrDescriptor_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("one-shot commands") << u"one-shot"_s << u"exit 0"_s;
        QTest::newRow("one-shot commands that cannot start") << u"missing"_s << u"launchFailed"_s;
        QTest::newRow("app-server exchanges") << u"exchange"_s << u"answered"_s;
        QTest::newRow("sign-outs") << u"sign-out"_s << u"signed out"_s;
    }

    void hundredCallsLeaveNoChildOrDescriptor()
    {
        QFETCH(QString, call);
        QFETCH(QString, outcome);
        ScratchFakeCodex fake;
        QVERIFY(fake.isValid());
        const QJsonObject empty;
        FakeCodexScript conversation = FakeCodexScript().respondResult(u"initialize"_s, empty);
        if (call == "exchange"_L1)
            conversation.respondResult(u"account/rateLimits/read"_s, empty)
                .respondResult(u"account/usage/read"_s, empty);
        else
            conversation.respondResult(u"account/logout"_s, empty);
        QVERIFY(fake->set(FakeCodexCommand::appServer, conversation));
        const auto run = [&] {
            if (call == "one-shot"_L1)
                return runOneShot(fake->executablePath());
            if (call == "missing"_L1)
                return runOneShot(fake.path(u"absent"_s));
            return call == "exchange"_L1 ? runExchange(fake->executablePath())
                                         : runSignOut(fake->executablePath());
        };
        QCOMPARE(run(), outcome); // the first call may start pool threads with descriptors of their own
        QTRY_VERIFY_WITH_TIMEOUT(noChildrenRemain(), reaperWaitMs);
        const int descriptors = openDescriptorCount();

        for (int i = 0; i < 100; ++i)
            QCOMPARE(run(), outcome);
        QTRY_VERIFY_WITH_TIMEOUT(noChildrenRemain(), reaperWaitMs);
        QCOMPARE(openDescriptorCount(), descriptors);
    }

private:
    int m_descriptors = 0;
};

QTEST_GUILESS_MAIN(TestChildFaults)
#include "TestChildFaults.moc"
