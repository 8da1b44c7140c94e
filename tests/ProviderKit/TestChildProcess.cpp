#include "ChildScripts.h"

#include <ProviderKit/BlockingPool.h>
#include <ProviderKit/ChildProcess.h>
#include <ProviderKit/ProcessSignals.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QThreadPool>

#include <cerrno>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

namespace {

const EnvironmentMap plainEnvironment{{u"PATH"_s, u"/usr/bin:/bin"_s}};

// Reads stdout until end of stream, or only up to the first line feed (bounded either way).
QByteArray readOutput(ChildProcess& child, bool firstLineOnly = false)
{
    QByteArray output;
    QDeadlineTimer deadline(20000);
    while (child.outputFd() >= 0 && !deadline.hasExpired() && !(firstLineOnly && output.contains('\n'))) {
        pollfd fd{child.outputFd(), POLLIN, 0};
        if (::poll(&fd, 1, 100) > 0)
            child.readOutput(output);
    }
    return output;
}

// A process that is gone or only a zombie no longer runs anything.
bool isGone(pid_t pid)
{
    if (::kill(pid, 0) != 0)
        return errno == ESRCH;
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close >= 0 && text.mid(close + 2, 1) == "Z";
}

// Reaped already, by someone other than the caller.
bool wasReaped(pid_t pid)
{
    int status = 0;
    return ::waitpid(pid, &status, WNOHANG) == -1 && errno == ECHILD;
}

quint64 statusMask(const QByteArray& status, const QByteArray& field)
{
    for (const QByteArray& line : status.split('\n')) {
        if (line.startsWith(QByteArray(field + ':')))
            return line.mid(field.size() + 1).trimmed().toULongLong(nullptr, 16);
    }
    return ~quint64(0);
}

} // namespace

class TestChildProcess : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_scripts.isValid());
        ignoreSigpipeProcessWide();
    }

    void inputAndOutputPipesRoundTrip()
    {
        using enum ChildProcess::Channel;
        auto spawned = ChildProcess::spawn(u"/bin/cat"_s, {}, plainEnvironment, {pipe, pipe, null});
        QVERIFY(spawned);
        ChildProcess& child = **spawned;
        QVERIFY(child.writeInput("hello\n", std::chrono::seconds(10)));
        child.closeInput();
        QCOMPARE(readOutput(child), QByteArray("hello\n"));
        QCOMPARE(child.wait(), 0);
        QVERIFY(!child.terminatedBySignal());
        QVERIFY(!child.signalGroup(SIGTERM));
    }

    void childStartsWithDefaultSignals()
    {
        // We ignore SIGPIPE and this thread blocks SIGUSR1; neither may reach the child.
        sigset_t blocked, previous;
        sigemptyset(&blocked);
        sigaddset(&blocked, SIGUSR1);
        pthread_sigmask(SIG_BLOCK, &blocked, &previous);
        auto spawned = ChildProcess::spawn(u"/bin/cat"_s, {u"/proc/self/status"_s}, plainEnvironment);
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        QVERIFY(spawned);
        const QByteArray status = readOutput(**spawned);
        (*spawned)->wait();
        QCOMPARE(statusMask(status, "SigIgn") & (quint64(1) << (SIGPIPE - 1)), quint64(0));
        QCOMPARE(statusMask(status, "SigBlk"), quint64(0));
    }

    void terminateReachesTheWholeGroup()
    {
        auto spawned = ChildProcess::spawn(m_scripts.write(u"parent"_s, "sleep 60 &\necho $!\nwait\n"), {},
                                           plainEnvironment);
        QVERIFY(spawned);
        ChildProcess& child = **spawned;
        const pid_t grandchild = readOutput(child, true).trimmed().toInt();
        QVERIFY(grandchild > 0);
        child.terminate();
        QVERIFY(child.isReaped());
        QVERIFY(child.terminatedBySignal());
        QTRY_VERIFY_WITH_TIMEOUT(isGone(grandchild), 10000);
    }

    void abandonedChildIsReapedInTheBackground_data()
    {
        QTest::addColumn<bool>("destroyed");
        QTest::newRow("terminate without waiting") << false;
        QTest::newRow("destroyed while running") << true;
    }

    void abandonedChildIsReapedInTheBackground()
    {
        QFETCH(bool, destroyed);
        // Ignores SIGTERM, so the background task has to wait out the grace and kill it.
        auto spawned =
            ChildProcess::spawn(m_scripts.write(u"stubborn"_s, "trap '' TERM\necho ready\nexec sleep 60\n"),
                                {}, plainEnvironment);
        QVERIFY(spawned);
        QCOMPARE(readOutput(**spawned, true), QByteArray("ready\n"));
        const pid_t pid = (*spawned)->pid();
        if (destroyed) {
            spawned->reset();
        } else {
            (*spawned)->terminateWithoutWaiting();
            QCOMPARE((*spawned)->outputFd(), -1);
        }
        QVERIFY(blockingPool().waitForDone(20000));
        QVERIFY(wasReaped(pid));
    }

    void nullChannelsDiscard()
    {
        using enum ChildProcess::Channel;
        auto spawned =
            ChildProcess::spawn(m_scripts.write(u"noisy"_s, "echo out\necho err >&2\nread x\nexit 4\n"), {},
                                plainEnvironment, {null, null, null});
        QVERIFY(spawned);
        ChildProcess& child = **spawned;
        QCOMPARE((QList<int>{child.inputFd(), child.outputFd(), child.errorFd()}), QList<int>(3, -1));
        QByteArray ignored;
        QCOMPARE(child.readOutput(ignored), ChildProcess::ReadStatus::failed);
        // `read` sees end of input at once from /dev/null and the script goes on to exit.
        QCOMPARE(child.wait(), 4);
    }

    void childStartsInItsHomeFolder_data()
    {
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("expected");
        const QString scratch = m_scripts.path(u"."_s);
        QTest::newRow("home") << scratch << scratch;
        QTest::newRow("no home") << QString() << u"/"_s;
        QTest::newRow("home missing") << scratch + u"/missing"_s << u"/"_s;
        QTest::newRow("relative home") << u"."_s << u"/"_s;
    }

    void childStartsInItsHomeFolder()
    {
        QFETCH(QString, home);
        QFETCH(QString, expected);
        EnvironmentMap environment = plainEnvironment;
        if (!home.isNull())
            environment.insert(u"HOME"_s, home);
        // Our own working directory is elsewhere; the child must not inherit it.
        QCOMPARE_NE(QDir::currentPath(), expected);
        auto spawned = ChildProcess::spawn(u"/bin/pwd"_s, {u"-P"_s}, environment);
        QVERIFY(spawned);
        const QByteArray output = readOutput(**spawned);
        QCOMPARE((*spawned)->wait(), 0);
        QCOMPARE(QString::fromLocal8Bit(output.trimmed()), QDir(expected).canonicalPath());
    }

private:
    ChildScripts m_scripts;
};

QTEST_GUILESS_MAIN(TestChildProcess)
#include "TestChildProcess.moc"
