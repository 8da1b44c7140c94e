#include "FakeCodexScenario.h"

#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using tallyvane::testing::FakeCodexCommand;
using tallyvane::testing::FakeCodexScenario;
using tallyvane::testing::FakeCodexScript;

namespace {

struct Run {
    int exitStatus = -1;
    QByteArray standardOutput;
    QByteArray standardError;
};

Run runFake(const QString& program, const QStringList& arguments, const QByteArray& input = {})
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted())
        return {};
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(10000))
        process.kill();
    process.waitForFinished();
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

QList<QJsonObject> jsonLines(const QByteArray& output)
{
    QList<QJsonObject> result;
    for (const QByteArray& line : output.split('\n')) {
        if (!line.isEmpty())
            result.append(QJsonDocument::fromJson(line).object());
    }
    return result;
}

} // namespace

class TestFakeCodex : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_directory.isValid());
        auto installed = FakeCodexScenario::install(m_directory.path());
        QVERIFY2(installed, qPrintable(installed.error()));
        m_fake.emplace(*installed);
    }

    // Unscripted commands must keep matching what the real CLI was recorded answering
    // signed out (its stderr also carries a warning about the temporary home, hence endsWith).
    void unscriptedCommandsAnswerLikeTheRealCli_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QJsonObject>("recorded");
        QFile transcript(QStringLiteral(TALLYVANE_CODEX_TRANSCRIPTS "/one-shot-commands.jsonl"));
        QVERIFY(transcript.open(QIODevice::ReadOnly));
        for (const QJsonObject& recorded : jsonLines(transcript.readAll())) {
            QStringList arguments;
            for (const QJsonValue& argument : recorded.value(u"args"_s).toArray())
                arguments.append(argument.toString());
            QTest::newRow(qPrintable(arguments.join(u' '))) << arguments << recorded;
        }
    }

    void unscriptedCommandsAnswerLikeTheRealCli()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QJsonObject, recorded);
        const Run run = runFake(m_fake->executablePath(), arguments);
        QCOMPARE(run.exitStatus, recorded.value(u"exitStatus"_s).toInt());
        if (arguments == QStringList{u"app-server"_s, u"--help"_s})
            QVERIFY(run.standardOutput.contains("app-server"));
        else
            QCOMPARE(QString::fromUtf8(run.standardOutput), recorded.value(u"stdout"_s).toString());
        QVERIFY(recorded.value(u"stderr"_s).toString().endsWith(QString::fromUtf8(run.standardError)));
        QCOMPARE(m_fake->invocations(), QList<QStringList>{arguments});
    }

    // Byte-cap tests rely on the filler being exact and of the promised shape.
    void fillWritesExactlyTheCount_data()
    {
        QTest::addColumn<FakeCodexScript::Fill>("style");
        QTest::addColumn<qint64>("bytes");
        QTest::newRow("raw, below a chunk") << FakeCodexScript::Fill::raw << qint64(11);
        QTest::newRow("raw, one MiB") << FakeCodexScript::Fill::raw << qint64(1048576);
        QTest::newRow("lines, shorter than a line") << FakeCodexScript::Fill::notificationLines << qint64(7);
        QTest::newRow("lines, 512 KiB plus one")
            << FakeCodexScript::Fill::notificationLines << qint64(524289);
    }

    void fillWritesExactlyTheCount()
    {
        QFETCH(FakeCodexScript::Fill, style);
        QFETCH(qint64, bytes);
        QVERIFY(m_fake->set(FakeCodexCommand::version, FakeCodexScript().fill(bytes, style)));
        const Run run = runFake(m_fake->executablePath(), {u"--version"_s});
        QCOMPARE(run.standardOutput.size(), bytes);
        if (style == FakeCodexScript::Fill::raw) {
            QVERIFY(!run.standardOutput.contains('\n'));
            return;
        }
        QVERIFY(run.standardOutput.endsWith('\n'));
        for (const QJsonObject& line : jsonLines(run.standardOutput)) // unparsable lines come back empty
            QVERIFY(!line.isEmpty() && !line.contains(u"id"_s));
    }

    void sigtermIsLoggedAndOptionallyIgnored_data()
    {
        QTest::addColumn<bool>("ignore");
        QTest::newRow("default") << false;
        QTest::newRow("ignored") << true;
    }

    void sigtermIsLoggedAndOptionallyIgnored()
    {
        QFETCH(bool, ignore);
        QVERIFY(m_fake->set(FakeCodexCommand::appServer,
                            FakeCodexScript().writeRaw(u"ready\n"_s).sleep(30000).ignoreSigterm(ignore)));
        QProcess process;
        process.start(m_fake->executablePath(), {u"app-server"_s});
        QVERIFY(process.waitForReadyRead(10000));
        process.terminate();
        QCOMPARE(process.waitForFinished(ignore ? 500 : 10000), !ignore);
        if (ignore) {
            process.kill();
            QVERIFY(process.waitForFinished(10000));
        } else {
            QCOMPARE(process.exitStatus(), QProcess::CrashExit);
        }
        QVERIFY(std::ranges::any_of(
            m_fake->events(), [](const QJsonObject& e) { return e.value(u"event"_s) == u"sigterm"_s; }));
    }

    // A typo in a script, or a missing script, must fail loudly instead of running a different
    // scenario or quietly falling back to the built-in answers.
    void refusesWhatItCannotPlay_data()
    {
        QTest::addColumn<QByteArray>("scenario"); // or "none", or "installed"
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitStatus");
        const QStringList appServer{u"app-server"_s};
        QTest::newRow("unknown arguments") << "installed"_ba << QStringList{u"exec"_s, u"--stdio"_s} << 64;
        QTest::newRow("no scenario file") << "none"_ba << QStringList{u"--version"_s} << 70;
        QTest::newRow("unknown step") << R"({"appServer":{"steps":[{"emitt":{}}]}})"_ba << appServer << 70;
        QTest::newRow("two step kinds")
            << R"({"appServer":{"steps":[{"exit":1,"sleepMs":5}]}})"_ba << appServer << 70;
        QTest::newRow("wrong type") << R"({"appServer":{"steps":[{"sleepMs":"5"}]}})"_ba << appServer << 70;
        QTest::newRow("steps and shorthand")
            << R"({"appServer":{"steps":[],"stdout":"x"}})"_ba << appServer << 70;
        QTest::newRow("unknown shorthand") << R"({"appServer":{"exitstatus":3}})"_ba << appServer << 70;
        QTest::newRow("not json") << "{"_ba << appServer << 70;
    }

    void refusesWhatItCannotPlay()
    {
        QFETCH(QByteArray, scenario);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitStatus);
        QFile file(m_fake->scenarioPath());
        if (scenario == "none") {
            QVERIFY(file.remove());
        } else if (scenario != "installed") {
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(scenario);
            file.close();
        }
        const Run run = runFake(m_fake->executablePath(), arguments);
        QCOMPARE(run.exitStatus, exitStatus);
        QVERIFY(run.standardOutput.isEmpty());
        if (exitStatus == 70)
            QVERIFY(run.standardError.startsWith("tallyvane-fake-codex: "));
    }

private:
    QTemporaryDir m_directory;
    std::optional<FakeCodexScenario> m_fake;
};

QTEST_GUILESS_MAIN(TestFakeCodex)
#include "TestFakeCodex.moc"
