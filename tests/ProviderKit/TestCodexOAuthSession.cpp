#include "CodexSignInFixture.h"
#include "FakeCodexScenario.h"
#include "ProcessProbes.h"
#include "RecordingOpener.h"

#include <ProviderKit/CodexOAuthSession.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <optional>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(tallyvane::testing::FakeCodexScript)

namespace {

using namespace codexsignin;
using Result = std::expected<void, CodexOAuthError>;

const QByteArray initializeLine =
    R"({"id":1,"method":"initialize","params":{"clientInfo":{"name":"tallyvane","version":"0.1.0"},"capabilities":{"experimentalApi":true}}})";
const QByteArray initializedLine = R"({"method":"initialized","params":{}})";
const QByteArray loginStartLine =
    R"({"id":2,"method":"account/login/start","params":{"type":"chatgpt","useHostedLoginSuccessPage":true}})";
const QByteArray logoutLine = R"({"id":2,"method":"account/logout","params":null})";
const QByteArrayList loginLines{initializeLine, initializedLine, loginStartLine};

QString outcome(const Result& result)
{
    return result ? u"ok"_s : debugText(result.error());
}

// The sign-in answer's result with some fields replaced and some left out.
QJsonObject loginResultWith(const QJsonObject& changes, const QStringList& omitted = {})
{
    QJsonObject result = loginResult();
    for (auto change = changes.begin(); change != changes.end(); ++change)
        result.insert(change.key(), change.value());
    for (const QString& key : omitted)
        result.remove(key);
    return result;
}

QJsonObject success(const QJsonValue& id)
{
    return completed({{u"success"_s, true}, {u"loginId"_s, id}});
}

bool childWasTerminated(const FakeCodexScenario& fake)
{
    const QList<QJsonObject> events = fake.events();
    return std::any_of(events.begin(), events.end(),
                       [](const QJsonObject& event) { return event.value(u"event"_s) == u"sigterm"_s; });
}

} // namespace

class TestCodexOAuthSession : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_directory.emplace();
        QVERIFY(m_directory->isValid());
        auto installed = FakeCodexScenario::install(m_directory->path());
        QVERIFY2(installed, qPrintable(installed.error()));
        m_fake.emplace(*installed);
    }

    void cleanup()
    {
        // Children asked to terminate are reaped in the background; none may be left behind.
        QTRY_VERIFY_WITH_TIMEOUT(noChildrenRemain(), 5000);
        m_fake.reset();
        m_directory.reset();
    }

    void signInOutcome_data()
    {
        QTest::addColumn<FakeCodexScript>("script");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("openerCalls");
        QTest::addColumn<int>("linesSent"); // -1: not checked
        const auto row = [](const char* name, const FakeCodexScript& script, const QString& expected,
                            int openerCalls, int linesSent = 3) {
            QTest::newRow(name) << script << expected << openerCalls << linesSent;
        };
        // The sign-in answer is rejected before the browser is asked to open anything.
        const auto badAnswer = [&row](const char* name, const QJsonObject& result) {
            row(name, signIn({success(loginId)}, result), u"malformedResponse"_s, 0);
        };
        const auto completedWith = [](const QJsonValue& value) {
            return signIn({completed({{u"loginId"_s, loginId}, {u"success"_s, value}})});
        };

        row("completed with the same login id", signIn({success(loginId)}), u"ok"_s, 1);
        row("other notifications and attempts are skipped",
            signIn({notification(u"account/updated"_s, QJsonObject{{u"success"_s, false}}),
                    notification(u"account/login/completed"_s, u"not an object"_s),
                    completed({{u"loginId"_s, u"another-attempt"_s}, {u"success"_s, false}}),
                    success(loginId)}),
            u"ok"_s, 1);
        // Any id that is not text names no other sign-in, the way no id at all does.
        row("completion with a numeric login id", signIn({success(42)}), u"ok"_s, 1);
        row("empty params", signIn({completed({})}), u"signInFailed"_s, 1);
        row("success false", completedWith(false), u"signInFailed"_s, 1);
        row("success as text", completedWith(u"true"_s), u"signInFailed"_s, 1);

        badAnswer("type other than chatgpt", loginResultWith({{u"type"_s, u"apiKey"_s}}));
        badAnswer("authUrl missing", loginResultWith({}, {u"authUrl"_s}));
        badAnswer("loginId missing", loginResultWith({}, {u"loginId"_s}));
        badAnswer("authUrl naming a local file", loginResultWith({{u"authUrl"_s, u"file:///etc/passwd"_s}}));

        row("error with a code on id 1", FakeCodexScript().respondError(u"initialize"_s, -32603, u"boom"_s),
            u"rpcError(-32603)"_s, 0, 1);
        row("error code that is not a number",
            FakeCodexScript().respond(u"initialize"_s, {{u"error"_s, QJsonObject{{u"code"_s, u"x"_s}}}}),
            u"rpcError(-1)"_s, 0, 1);
        row("error on the sign-in request", handshake().respondError(u"account/login/start"_s, -32600),
            u"rpcError(-32600)"_s, 0);
        row("error that is not an object is ignored",
            FakeCodexScript()
                .respond(u"initialize"_s, {{u"error"_s, u"odd"_s}, {u"result"_s, QJsonObject{}}})
                .respondResult(u"account/login/start"_s, loginResult())
                .writeLine(success(loginId)),
            u"ok"_s, 1);
        row("answers with other ids are skipped",
            FakeCodexScript()
                .expect(u"initialize"_s)
                .writeLine({{u"id"_s, u"1"_s}, {u"error"_s, QJsonObject{{u"code"_s, 5}}}})
                .writeLine({{u"id"_s, 7}, {u"error"_s, QJsonObject{{u"code"_s, 6}}}})
                .writeLine({{u"id"_s, 1}, {u"result"_s, QJsonObject{}}})
                .respondResult(u"account/login/start"_s, loginResult())
                .writeLine(success(loginId)),
            u"ok"_s, 1);

        row("child exits after the handshake", handshake().expect(u"account/login/start"_s).exitWith(0),
            u"streamEnded"_s, 0);
        row("child floods its output", handshake().fill(600000, FakeCodexScript::Fill::notificationLines),
            u"outputLimitExceeded"_s, 0, -1);
        row("malformed line", handshake().writeRaw(u"not json\n"_s), u"malformedResponse"_s, 0, -1);
    }

    void signInOutcome()
    {
        QFETCH(FakeCodexScript, script);
        QFETCH(QString, expected);
        QFETCH(int, openerCalls);
        QFETCH(int, linesSent);

        QVERIFY(m_fake->set(FakeCodexCommand::appServer, script));
        RecordingOpener opener;
        CodexOAuthSession session(opener.opener(), 10, 10);

        QCOMPARE(outcome(login(session)), expected);
        QCOMPARE(opener.urls(), QList<QUrl>(openerCalls, QUrl(authUrl)));
        QCOMPARE(m_fake->invocations(), (QList<QStringList>{{u"app-server"_s, u"--stdio"_s}}));
        if (linesSent >= 0)
            QCOMPARE(m_fake->receivedLines(), loginLines.first(linesSent));
    }

    void abandonedSignInTerminatesTheChild_data()
    {
        QTest::addColumn<bool>("opens");
        QTest::addColumn<QString>("expected");
        QTest::newRow("browser could not open") << false << u"browserCouldNotOpen"_s;
        QTest::newRow("no completion before the deadline") << true << u"timedOut"_s;
    }

    void abandonedSignInTerminatesTheChild()
    {
        QFETCH(bool, opens);
        QFETCH(QString, expected);
        // Without our signal the child would sit here for a minute.
        QVERIFY(m_fake->set(FakeCodexCommand::appServer, signIn({}).sleep(60000)));
        RecordingOpener opener;
        opener.state->answer = opens;
        CodexOAuthSession session(opener.opener(), 2, 10);

        QCOMPARE(outcome(login(session)), expected);
        QCOMPARE(opener.urls(), QList<QUrl>{QUrl(authUrl)});
        QTRY_VERIFY_WITH_TIMEOUT(noChildrenRemain(), 5000);
        QVERIFY(childWasTerminated(*m_fake));
    }

    void defaultOpenerWrapperRunsOnTheMainThread()
    {
        QVERIFY(m_fake->set(FakeCodexCommand::appServer, signIn({success(loginId)})));
        RecordingOpener opener;
        CodexOAuthSession session(CodexOAuthSession::onMainThread(opener.opener()), 10, 10);

        QCOMPARE(outcome(login(session)), u"ok"_s);
        QCOMPARE(opener.state->threads, QList<QThread*>{QCoreApplication::instance()->thread()});
    }

    void signOut_data()
    {
        QTest::addColumn<FakeCodexScript>("script");
        QTest::addColumn<QString>("expected");

        QTest::newRow("answered like the real app-server")
            << handshake()
                   .respondResult(u"account/logout"_s, QJsonObject{})
                   .writeLine(
                       notification(u"account/updated"_s, QJsonObject{{u"authMode"_s, QJsonValue::Null}}))
            << u"ok"_s;
        QTest::newRow("error answer")
            << handshake().respondError(u"account/logout"_s, -32600) << u"rpcError(-32600)"_s;
        QTest::newRow("child exits unanswered")
            << handshake().expect(u"account/logout"_s).exitWith(0) << u"streamEnded"_s;
        QTest::newRow("unanswered") << handshake().expect(u"account/logout"_s) << u"timedOut"_s;
    }

    void signOut()
    {
        QFETCH(FakeCodexScript, script);
        QFETCH(QString, expected);

        QVERIFY(m_fake->set(FakeCodexCommand::appServer, script));
        RecordingOpener opener;
        CodexOAuthSession session(opener.opener(), 10, 2);

        QCOMPARE(outcome(logout(session)), expected);
        QVERIFY(opener.urls().isEmpty());
        QCOMPARE(m_fake->receivedLines(), (QByteArrayList{initializeLine, initializedLine, logoutLine}));
    }

    void missingExecutableIsLaunchFailed()
    {
        RecordingOpener opener;
        CodexOAuthSession session(opener.opener());
        const QString missing = m_directory->filePath(u"no-such-codex"_s);
        QCOMPARE(outcome(QCoro::waitFor(session.login(missing, m_environment))), u"launchFailed"_s);
        QCOMPARE(outcome(QCoro::waitFor(session.logout(missing, m_environment))), u"launchFailed"_s);
    }

private:
    Result login(CodexOAuthSession& session)
    {
        return QCoro::waitFor(session.login(m_fake->executablePath(), m_environment));
    }
    Result logout(CodexOAuthSession& session)
    {
        return QCoro::waitFor(session.logout(m_fake->executablePath(), m_environment));
    }

    std::optional<QTemporaryDir> m_directory;
    std::optional<FakeCodexScenario> m_fake;
    const EnvironmentMap m_environment{{u"PATH"_s, u"/usr/bin:/bin"_s}};
};

QTEST_GUILESS_MAIN(TestCodexOAuthSession)
#include "TestCodexOAuthSession.moc"
