#include "ChildScripts.h"

#include <ProviderKit/BlockingPool.h>
#include <ProviderKit/FoundationCommandRunner.h>
#include <ProviderKit/ProcessSignals.h>

#include <QFile>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>
#include <vector>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

namespace {

const EnvironmentMap plainEnvironment{{u"PATH"_s, u"/usr/bin:/bin"_s}};

CommandResult runCommand(const QString& path, const QStringList& arguments = {}, double timeout = 30,
                         qint64 limit = 1 << 20, const EnvironmentMap& environment = plainEnvironment)
{
    FoundationCommandRunner runner;
    return QCoro::waitFor(runner.run(path, arguments, environment, timeout, limit));
}

} // namespace

class TestCommandRunner : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_scripts.isValid());
        ignoreSigpipeProcessWide();
    }

    void exitStatusIsNotAnError()
    {
        QCOMPARE(runCommand(m_scripts.write(u"exit3"_s, "exit 3\n")),
                 CommandResult(CommandOutput{3, {}, {}}));
    }

    void outputLimitCountsBothStreams_data()
    {
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<bool>("accepted");
        // The child writes 5 bytes to stdout and 3 to stderr.
        QTest::newRow("exactly the limit") << qint64(8) << true;
        QTest::newRow("one byte over") << qint64(7) << false;
        QTest::newRow("zero limit") << qint64(0) << false;
    }

    void outputLimitCountsBothStreams()
    {
        QFETCH(qint64, limit);
        QFETCH(bool, accepted);
        const auto result =
            runCommand(m_scripts.write(u"eight"_s, "printf 12345\nprintf abc >&2\n"), {}, 30, limit);
        QCOMPARE(result, accepted ? CommandResult(CommandOutput{0, "12345", "abc"})
                                  : CommandResult(std::unexpected(ProcessSupportError::outputLimitExceeded)));
    }

    void outputBeyondAPipeBufferWithinTheLimitSucceeds()
    {
        // Far more than a pipe holds: a child that is only drained after exit would hang here.
        const qint64 size = 1 << 20;
        const auto result =
            runCommand(u"/usr/bin/head"_s, {u"-c"_s, QString::number(size), u"/dev/zero"_s}, 60, size);
        QVERIFY(result);
        QCOMPARE(result->status, 0);
        QCOMPARE(result->standardOutput, QByteArray(size, '\0'));
    }

    void unstartableExecutableIsLaunchFailed_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("arguments");
        for (const QString& path :
             {m_scripts.path(u"does-not-exist"_s), m_scripts.path(QString()), QString()})
            QTest::addRow("path '%s'", qPrintable(path)) << path << QStringList();
        QTest::newRow("not executable") << m_scripts.write(u"plain"_s, "exit 0\n", false) << QStringList();
        // Neither a binary nor an interpreter line: a start that fell back to the shell would run it.
        QFile garbage(m_scripts.path(u"garbage"_s));
        QVERIFY(garbage.open(QIODevice::WriteOnly) && garbage.write("\x01\x02garbage\n") > 0);
        garbage.close();
        QVERIFY(garbage.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
        QTest::newRow("not a program") << garbage.fileName() << QStringList();
        QTest::newRow("argument with NUL") << u"/bin/echo"_s << QStringList{u"a"_s + QChar(0) + u"b"_s};
    }

    void unstartableExecutableIsLaunchFailed()
    {
        QFETCH(QString, path);
        QFETCH(QStringList, arguments);
        QCOMPARE(runCommand(path, arguments),
                 CommandResult(std::unexpected(ProcessSupportError::launchFailed)));
    }

    void environmentIsExactlyTheOnePassed()
    {
        const EnvironmentMap environment{
            {u"HOME"_s, u"/nonexistent"_s}, {u"LANG"_s, u"C.UTF-8"_s}, {u"WITH_SPACE"_s, u"a b=c"_s}};
        qputenv("TALLYVANE_SECRET_FOR_TEST", "leaked");
        const auto result = runCommand(u"/usr/bin/env"_s, {}, 30, 1 << 16, environment);
        qunsetenv("TALLYVANE_SECRET_FOR_TEST");
        QVERIFY(result);
        QStringList lines = QString::fromUtf8(result->standardOutput).split(u'\n', Qt::SkipEmptyParts);
        lines.sort();
        QCOMPARE(lines, (QStringList{u"HOME=/nonexistent"_s, u"LANG=C.UTF-8"_s, u"WITH_SPACE=a b=c"_s}));
    }

    void argumentsArePassedVerbatim()
    {
        const QStringList arguments{u"two words"_s, u"$HOME"_s, u"*"_s, QString(), u"ü"_s};
        const auto result = runCommand(u"/usr/bin/printf"_s, QStringList{u"[%s]"_s} + arguments);
        QVERIFY(result);
        QCOMPARE(QString::fromUtf8(result->standardOutput), u"[two words][$HOME][*][][ü]"_s);
    }

    void childInheritsOnlyTheStandardDescriptors()
    {
        // A descriptor opened without close-on-exec, as a careless library might.
        const int stray = ::open("/dev/null", O_RDONLY);
        QVERIFY(stray > 2);
        // The trailing ':' stops the shell from exec-ing ls in its place.
        const auto result = runCommand(u"/bin/sh"_s, {u"-c"_s, u"ls /proc/$$/fd; :"_s});
        ::close(stray);
        QVERIFY(result);
        const QStringList fds = QString::fromUtf8(result->standardOutput).split(u'\n', Qt::SkipEmptyParts);
        QVERIFY2(fds.contains(u"1"_s) && fds.contains(u"2"_s), result->standardOutput.constData());
        for (const QString& fd : fds)
            QVERIFY2(fd.toInt() <= 2, qPrintable(fds.join(u' ')));
    }

    void concurrentCallsKeepTheirOwnOutput()
    {
        const QString script = m_scripts.write(u"echoarg"_s, "sleep 0.2\nprintf %s \"$1\"\n");
        auto all = [&script]() -> QCoro::Task<QList<CommandResult>> {
            FoundationCommandRunner runner;
            std::vector<QCoro::Task<CommandResult>> tasks;
            for (int index = 0; index < 8; ++index)
                tasks.push_back(runner.run(script, {QString::number(index)}, plainEnvironment, 30, 1024));
            QList<CommandResult> results;
            for (auto& task : tasks) {
                CommandResult result = co_await task;
                results.append(result);
            }
            co_return results;
        };
        const QList<CommandResult> results = QCoro::waitFor(all());
        QCOMPARE(results.size(), 8);
        for (int index = 0; index < 8; ++index) {
            QVERIFY(results[index]);
            QCOMPARE(results[index]->standardOutput, QByteArray::number(index));
        }
    }

private:
    ChildScripts m_scripts;
};

QTEST_GUILESS_MAIN(TestCommandRunner)
#include "TestCommandRunner.moc"
