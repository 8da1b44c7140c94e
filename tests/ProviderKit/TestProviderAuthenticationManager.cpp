#include "ClaudeTokenAnswer.h"
#include "CodexSignInFixture.h"
#include "FakeBrowser.h"
#include "FakeClaudeServer.h"
#include "FakeCodexScenario.h"
#include "InMemoryAuthorizationFlags.h"
#include "InMemoryCredentialStore.h"
#include "ProcessProbes.h"
#include "RecordingCommandRunner.h"
#include "RecordingOpener.h"

#include <ProviderKit/CodexOAuthSession.h>
#include <ProviderKit/ProviderAuthenticationManager.h>
#include <ProviderKit/UserToolDirectories.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(tallyvane::testing::FakeCodexScript)
Q_DECLARE_METATYPE(tallyvane::ProviderConnectionState)

namespace tallyvane {
// For readable QCOMPARE failures.
char* toString(const ProviderConnectionState& state);
char* toString(const ProviderConnectionState& state)
{
    const QString text = caseName(state.service) + u' ' + caseName(state.status) + u" \""_s +
                         state.detail.value_or(u"(none)"_s) + u'"';
    return qstrdup(text.toUtf8().constData());
}
} // namespace tallyvane

namespace {

using namespace codexsignin;
using Status = ProviderConnectionStatus;

const QString claudeClientID = u"0d6c1a52-3b7e-4f0a-9c2d-1e5f8a7b6c4d"_s;
const QStringList helpArguments{u"app-server"_s, u"--help"_s};
const QStringList statusArguments{u"login"_s, u"status"_s};

// Pieces of child output, tokens and addresses the tests hand to the manager; no answer may carry one.
const QStringList secrets{u"Logged"_s,        u"sk-proj"_s,        u"refreshed"_s,    u"STATE-SECRET"_s,
                          u"stored-access"_s, u"stored-refresh"_s, u"fresh-access"_s, u"/"_s,
                          u"127.0.0.1"_s};

ProviderConnectionState codex(Status status, const QString& detail)
{
    return {.service = ProviderService::codex, .status = status, .detail = detail};
}

ProviderConnectionState claude(Status status, const QString& detail)
{
    return {.service = ProviderService::claude, .status = status, .detail = detail};
}

FakeCodexScript completedSignIn(bool success)
{
    return signIn({completed({{u"loginId"_s, loginId}, {u"success"_s, success}})});
}

FakeCodexScript loggedIn(const QByteArray& text)
{
    return FakeCodexScript::answer(text);
}

// How a test builds its manager; anything left out is the usual fake setup.
struct Options {
    std::optional<CodexExecutableSearch> search;
};

} // namespace

class TestProviderAuthenticationManager : public QObject {
    Q_OBJECT

    std::optional<QTemporaryDir> m_directory;
    std::optional<FakeCodexScenario> m_fake;
    std::shared_ptr<RecordingCommandRunner> m_runner;
    std::shared_ptr<InMemoryAuthorizationFlags> m_flags;
    std::unique_ptr<FakeClaudeServer> m_server;
    std::shared_ptr<InMemoryCredentialStore> m_store;
    std::unique_ptr<FakeBrowser> m_browser;
    RecordingOpener m_codexPages;
    QList<std::pair<ProviderService, ProviderConnectionState>> m_answers;

    QString binDirectory() const { return m_directory->filePath(u"bin"_s); }
    QString homeDirectory() const { return m_directory->filePath(u"home"_s); }

    // The fake is found on PATH; nothing of the machine's own is searched.
    CodexExecutableSearch fakeOnPath() const
    {
        return {.configuredExecutable = std::nullopt,
                .environment = EnvironmentMap{{u"PATH"_s, binDirectory()}, {u"HOME"_s, homeDirectory()}},
                .homeDirectory = homeDirectory()};
    }

    std::unique_ptr<ProviderAuthenticationManager> manager(Options options = {})
    {
        auto claudeSession = std::make_shared<ClaudeOAuthSession>(
            m_store, m_browser->opener(), m_server->baseURL(), m_server->baseURL(), claudeClientID);
        auto codexSession = std::make_shared<CodexOAuthSession>(m_codexPages.opener(), 10);
        return std::make_unique<ProviderAuthenticationManager>(
            options.search.value_or(fakeOnPath()), m_runner, m_flags, claudeSession, codexSession);
    }

    // Each answer is kept for the checks every test ends with.
    ProviderConnectionState kept(ProviderService service, ProviderConnectionState state)
    {
        m_answers.append({service, state});
        return state;
    }
    ProviderConnectionState status(ProviderAuthenticationManager& manager,
                                   ProviderService service = ProviderService::codex)
    {
        return kept(service, QCoro::waitFor(manager.status(service)));
    }
    ProviderConnectionState login(ProviderAuthenticationManager& manager,
                                  ProviderService service = ProviderService::codex)
    {
        return kept(service, QCoro::waitFor(manager.login(service)));
    }
    ProviderConnectionState disconnect(ProviderAuthenticationManager& manager,
                                       ProviderService service = ProviderService::codex)
    {
        return kept(service, QCoro::waitFor(manager.disconnect(service)));
    }

    bool fakeStartedSignInChild() const
    {
        return m_fake->invocations().contains(QStringList{u"app-server"_s, u"--stdio"_s});
    }

    ClaudeOAuthCredential storedCredential() const
    {
        return {.accessToken = u"stored-access-a1"_s,
                .refreshToken = u"stored-refresh-r1"_s,
                .expiresAt = Instant::now().addingSeconds(3600),
                .scopes = {u"user:profile"_s}};
    }

private Q_SLOTS:
    void init()
    {
        m_directory.emplace();
        QVERIFY(m_directory->isValid());
        QVERIFY(QDir().mkpath(homeDirectory()));
        auto installed = FakeCodexScenario::install(binDirectory());
        QVERIFY2(installed, qPrintable(installed.error()));
        m_fake.emplace(*installed);
        m_runner = std::make_shared<RecordingCommandRunner>();
        m_flags = std::make_shared<InMemoryAuthorizationFlags>();
        m_server = std::make_unique<FakeClaudeServer>(claudeClientID);
        m_store = std::make_shared<InMemoryCredentialStore>();
        m_browser = std::make_unique<FakeBrowser>(*m_server, claudeClientID);
        m_codexPages = {};
        m_answers.clear();
    }

    void cleanup()
    {
        // Whatever the test did: every answer names the service asked about and never carries a path,
        // a token or anything a child printed.
        for (const auto& [service, state] : std::as_const(m_answers)) {
            QCOMPARE(state.service, service);
            QVERIFY(state.detail.has_value());
            for (const QString& secret : secrets)
                QVERIFY2(!state.detail->contains(secret, Qt::CaseInsensitive), qPrintable(*state.detail));
        }
        QTRY_VERIFY_WITH_TIMEOUT(noChildrenRemain(), 5000);
        m_fake.reset();
        m_directory.reset();
    }

    void codexStatus_data()
    {
        QTest::addColumn<FakeCodexScript>("loginStatus");
        QTest::addColumn<bool>("authorized");
        QTest::addColumn<ProviderConnectionState>("answer");

        const auto chatGPT = codex(Status::signedIn, u"ChatGPT account"_s);
        const auto apiKey = codex(Status::signedIn, u"OpenAI API key"_s);
        const auto notAuthorized =
            codex(Status::disconnected, u"Account available — connect to authorize usage access"_s);

        QTest::newRow("ChatGPT, not authorised here")
            << loggedIn("Logged in using ChatGPT\n") << false << notAuthorized;
        QTest::newRow("ChatGPT, authorised") << loggedIn("Logged in using ChatGPT\n") << true << chatGPT;
        QTest::newRow("API key") << loggedIn("Logged in using an API key - sk-proj-***9f2c\n") << true
                                 << apiKey;
        QTest::newRow("api-key") << loggedIn("Logged in (auth mode: api-key)\n") << true << apiKey;
        QTest::newRow("ChatGPT is tested before API key")
            << loggedIn("Logged in using ChatGPT; api key unused\n") << true << chatGPT;
        QTest::newRow("apikey without a separator is another account")
            << loggedIn("Logged in, apikey\n") << true << codex(Status::signedIn, u"Codex account"_s);
        QTest::newRow("standard error is not read")
            << FakeCodexScript::answer("Logged in\n", 0, "ChatGPT session refreshed\n") << true
            << codex(Status::signedIn, u"Codex account"_s);
        QTest::newRow("exit status 1 wins over the output")
            << FakeCodexScript::answer("Logged in using ChatGPT\n", 1) << true
            << codex(Status::signedOut, u"ChatGPT sign-in required"_s);
        QTest::newRow("not logged in, not authorised here")
            << FakeCodexScript::answer({}, 1, "Not logged in\n") << false
            << codex(Status::signedOut, u"ChatGPT sign-in required"_s);
        const auto unchecked = codex(Status::failed, u"Authentication status could not be checked"_s);
        QTest::newRow("output past the limit")
            << FakeCodexScript().fill(70000).exitWith(0) << true << unchecked;
    }

    void codexStatus()
    {
        QFETCH(FakeCodexScript, loginStatus);
        QFETCH(bool, authorized);
        QFETCH(ProviderConnectionState, answer);

        QVERIFY(m_fake->set(FakeCodexCommand::loginStatus, loginStatus));
        if (authorized)
            m_flags->setAuthorized(ProviderService::codex, true);
        const int writes = m_flags->writeCount();
        auto subject = manager();

        QCOMPARE(status(*subject), answer);
        QCOMPARE(m_fake->invocations(), (QList<QStringList>{helpArguments, statusArguments}));
        // Asking never changes the user's decision.
        QCOMPARE(m_flags->writeCount(), writes);
    }

    void capabilityFailure_data()
    {
        QTest::addColumn<FakeCodexScript>("help");
        QTest::newRow("exit status 1") << FakeCodexScript::answer({}, 1, "error: unrecognized subcommand\n");
        QTest::newRow("output past the limit") << FakeCodexScript().fill(70000).exitWith(0);
    }

    void capabilityFailure()
    {
        QFETCH(FakeCodexScript, help);
        QVERIFY(m_fake->set(FakeCodexCommand::appServerHelp, help));
        QVERIFY(m_fake->set(FakeCodexCommand::loginStatus, loggedIn("Logged in using ChatGPT\n")));
        m_flags->setAuthorized(ProviderService::codex, true);
        auto subject = manager();

        const auto unsupported =
            codex(Status::unsupportedVersion, u"Codex must be updated to support live usage access"_s);
        QCOMPARE(status(*subject), unsupported);
        QCOMPARE(login(*subject), unsupported);
        // Neither the status command nor a sign-in was started, and nothing was remembered.
        QCOMPARE(m_runner->count(statusArguments), 0);
        QVERIFY(!fakeStartedSignInChild());
        QVERIFY(m_codexPages.urls().isEmpty());
        QCOMPARE(m_runner->count(helpArguments), 2);
        QVERIFY(!subject->appServerCapableExecutable());
        QCOMPARE(m_flags->isAuthorized(ProviderService::codex), true);
    }

    void capabilityIsCheckedOncePerExecutable()
    {
        auto second = FakeCodexScenario::install(m_directory->filePath(u"second"_s));
        QVERIFY2(second, qPrintable(second.error()));
        CodexExecutableSearch search = fakeOnPath();
        search.environment->insert(u"PATH"_s, binDirectory() + u':' + m_directory->filePath(u"second"_s));
        QVERIFY(m_fake->set(FakeCodexCommand::appServerHelp, FakeCodexScript::answer({}, 1)));
        auto subject = manager({.search = search});
        QCOMPARE(status(*subject).status, Status::unsupportedVersion);

        // A failed check is repeated: the tool may have been updated in place.
        QVERIFY(m_fake->clear(FakeCodexCommand::appServerHelp));
        QCOMPARE(status(*subject), codex(Status::signedOut, u"ChatGPT sign-in required"_s));
        QCOMPARE(status(*subject).status, Status::signedOut);
        QCOMPARE(m_runner->count(helpArguments), 2);
        QCOMPARE(m_runner->count(statusArguments), 2);
        QCOMPARE(subject->appServerCapableExecutable(), std::optional(m_fake->executablePath()));

        // Another executable is checked anew.
        QVERIFY(QFile::remove(m_fake->executablePath()));
        QCOMPARE(status(*subject).status, Status::signedOut);
        QCOMPARE(m_runner->count(helpArguments), 3);
        QCOMPARE(m_runner->calls().last().executablePath, second->executablePath());
        QCOMPARE(subject->appServerCapableExecutable(), std::optional(second->executablePath()));
    }

    void locatesCodex_data()
    {
        QTest::addColumn<QString>("where");
        QTest::newRow("on PATH") << u"path"_s;
        // Where else the tool is looked for is the locator's suite's.
        QTest::newRow("configured, not on PATH") << u"configured"_s;
    }

    void locatesCodex()
    {
        QFETCH(QString, where);
        CodexExecutableSearch search = fakeOnPath();
        // Secrets of the application's own environment must not reach the child.
        search.environment->insert(u"OPENAI_API_KEY"_s, u"sk-proj-environment-secret"_s);
        const QString executable = m_fake->executablePath();
        if (where == u"configured"_s) {
            search.environment->insert(u"PATH"_s, u"/nonexistent"_s);
            search.configuredExecutable = executable;
        }
        auto subject = manager({.search = search});

        QCOMPARE(status(*subject), codex(Status::signedOut, u"ChatGPT sign-in required"_s));
        QCOMPARE(m_runner->calls().size(), 2);
        for (const RecordingCommandRunner::Call& call : m_runner->calls()) {
            QCOMPARE(call.timeoutSeconds, call.arguments == helpArguments ? 5.0 : 8.0);
            QCOMPARE(call.outputLimit, qint64(65536));
            QCOMPARE(call.executablePath, executable);
            QVERIFY(!call.environment.contains(u"OPENAI_API_KEY"_s));
            // The executable's own directory comes first, so a tool installed with node finds it.
            QCOMPARE(call.environment.value(u"PATH"_s).split(u':').first(), QFileInfo(executable).path());
            QCOMPARE(call.environment.value(u"HOME"_s), homeDirectory());
        }
    }

    void codexNotInstalled()
    {
        for (const QString& systemDirectory : UserToolDirectories::searchOrder(QString())) {
            if (QFile::exists(systemDirectory + u"/codex"_s))
                QSKIP("this machine has codex in a well-known place");
        }
        m_flags->setAuthorized(ProviderService::codex, true);
        const CodexExecutableSearch nowhere{.configuredExecutable = m_directory->filePath(u"missing/codex"_s),
                                            .environment = EnvironmentMap{{u"PATH"_s, QString()}},
                                            .homeDirectory = homeDirectory()};
        auto subject = manager({.search = nowhere});

        const auto notInstalled = codex(Status::notInstalled, u"Command-line tool not found"_s);
        QCOMPARE(status(*subject), notInstalled);
        QCOMPARE(login(*subject), notInstalled);
        QCOMPARE(m_flags->isAuthorized(ProviderService::codex), true);
        QCOMPARE(disconnect(*subject), notInstalled);
        QCOMPARE(m_flags->storedValue(u"connections.oauth-authorized.v2.codex"_s), std::optional(false));
        QVERIFY(m_runner->calls().isEmpty());
        QVERIFY(m_fake->invocations().isEmpty());
    }

    void codexLogin_data()
    {
        QTest::addColumn<FakeCodexScript>("appServer");
        QTest::addColumn<FakeCodexScript>("loginStatus");
        QTest::addColumn<ProviderConnectionState>("answer");
        QTest::addColumn<bool>("authorizes");

        const FakeCodexScript chatGPT = loggedIn("Logged in using ChatGPT\n");
        QTest::newRow("completed") << completedSignIn(true) << chatGPT
                                   << codex(Status::signedIn, u"ChatGPT account"_s) << true;
        QTest::newRow("completed, but the tool still reports no account")
            << completedSignIn(true) << FakeCodexScript::answer({}, 1, "Not logged in\n")
            << codex(Status::signedOut, u"ChatGPT sign-in required"_s) << false;
        // A time-out has an answer of its own (checked against the real tool); every other way the
        // session fails is this one, and the session's suite tells them apart.
        QTest::newRow("completion reporting failure")
            << completedSignIn(false) << chatGPT
            << codex(Status::failed, u"ChatGPT sign-in was not completed"_s) << false;
    }

    void codexLogin()
    {
        QFETCH(FakeCodexScript, appServer);
        QFETCH(FakeCodexScript, loginStatus);
        QFETCH(ProviderConnectionState, answer);
        QFETCH(bool, authorizes);

        QVERIFY(m_fake->set(FakeCodexCommand::appServer, appServer));
        QVERIFY(m_fake->set(FakeCodexCommand::loginStatus, loginStatus));
        auto subject = manager();

        QCOMPARE(login(*subject), answer);
        if (authorizes) {
            QCOMPARE(m_flags->keys(), QStringList{u"connections.oauth-authorized.v2.codex"_s});
            QCOMPARE(m_flags->isAuthorized(ProviderService::codex), true);
        } else {
            QCOMPARE(m_flags->writeCount(), 0);
        }
        // The status is asked again only after a sign-in the session reported as done.
        const bool completed = answer.status != Status::failed;
        QCOMPARE(m_runner->count(statusArguments), completed ? 1 : 0);
        QCOMPARE(m_runner->count(helpArguments), 1);
        QVERIFY(fakeStartedSignInChild());
    }

    // Sign-in and sign-out set and clear the decision (see their tests); every status reads it anew,
    // so a reset of the preferences shows at once.
    void authorisationIsReadOnEveryStatus()
    {
        QVERIFY(m_fake->set(FakeCodexCommand::loginStatus, loggedIn("Logged in using ChatGPT\n")));
        auto subject = manager();

        const auto available =
            codex(Status::disconnected, u"Account available — connect to authorize usage access"_s);
        QCOMPARE(status(*subject), available);
        m_flags->setAuthorized(ProviderService::codex, true);
        QCOMPARE(status(*subject), codex(Status::signedIn, u"ChatGPT account"_s));
        m_flags->setAuthorized(ProviderService::codex, false);
        QCOMPARE(status(*subject), available);
    }

    void codexDisconnect_data()
    {
        QTest::addColumn<FakeCodexScript>("appServer");
        QTest::addColumn<ProviderConnectionState>("answer");

        const auto signedOut = codex(Status::signedOut, u"Signed out from ChatGPT"_s);
        const auto failed = codex(Status::failed, u"ChatGPT sign-out could not be completed"_s);
        const FakeCodexScript answered =
            handshake()
                .respondResult(u"account/logout"_s, QJsonObject{})
                .writeLine(notification(u"account/updated"_s, {{u"authMode"_s, QJsonValue::Null}}));

        QTest::newRow("signed out") << answered << signedOut;
        QTest::newRow("sign-out refused")
            << handshake().respondError(u"account/logout"_s, -32600, u"Logged in"_s) << failed;
    }

    void codexDisconnect()
    {
        QFETCH(FakeCodexScript, appServer);
        QFETCH(ProviderConnectionState, answer);

        QVERIFY(m_fake->set(FakeCodexCommand::appServer, appServer));
        m_flags->setAuthorized(ProviderService::codex, true);
        auto subject = manager();

        QCOMPARE(disconnect(*subject), answer);
        const bool succeeded = answer.status == Status::signedOut;
        QCOMPARE(m_flags->isAuthorized(ProviderService::codex), !succeeded);
        QCOMPARE(m_flags->writeCount(), succeeded ? 2 : 1);
        // Signing out works with whatever tool is there: no capability check, no status command.
        QVERIFY(m_runner->calls().isEmpty());
        QCOMPARE(m_fake->invocations(), (QList<QStringList>{{u"app-server"_s, u"--stdio"_s}}));
    }

    void claudeConnection_data()
    {
        QTest::addColumn<QString>("operation");
        // Nothing stored, the code exchange refused, the keyring cannot delete.
        QTest::addColumn<bool>("fails");
        QTest::addColumn<ProviderConnectionState>("answer");

        // What each outcome does to the credential is the session's suite's; here each maps to one answer.
        const auto signedIn = claude(Status::signedIn, u"Claude account · Keyring"_s);
        QTest::newRow("status, stored") << u"status"_s << false << signedIn;
        QTest::newRow("status, nothing stored")
            << u"status"_s << true << claude(Status::signedOut, u"Claude sign-in required"_s);
        QTest::newRow("sign-in") << u"login"_s << false << signedIn;
        QTest::newRow("sign-in, code exchange refused")
            << u"login"_s << true << claude(Status::failed, u"Claude sign-in was not completed"_s);
        QTest::newRow("disconnect") << u"disconnect"_s << false
                                    << claude(Status::signedOut,
                                              u"Tokens revoked and removed from the keyring"_s);
        QTest::newRow("disconnect, keyring cannot delete")
            << u"disconnect"_s << true
            << claude(Status::failed, u"Claude credentials could not be removed"_s);
    }

    void claudeConnection()
    {
        QFETCH(QString, operation);
        QFETCH(bool, fails);
        QFETCH(ProviderConnectionState, answer);

        if (operation != "status"_L1 || !fails)
            m_store->setStored(storedCredential());
        m_store->failRemove(fails);
        m_server->script(
            FakeClaudeServer::tokenPath,
            FakeClaudeServer::jsonResponse(fails ? 400 : 200,
                                           claudeTokenAnswer(u"fresh-access-a2"_s, u"fresh-refresh-r2"_s)));
        m_server->script(FakeClaudeServer::revokePath, FakeClaudeServer::jsonResponse(200, {}));
        auto subject = manager();

        const ProviderService service = ProviderService::claude;
        QCOMPARE(operation == "status"_L1  ? status(*subject, service)
                 : operation == "login"_L1 ? login(*subject, service)
                                           : disconnect(*subject, service),
                 answer);
        // Claude's connection never starts the Codex tool nor touches its decision.
        QVERIFY(m_runner->calls().isEmpty());
        QCOMPARE(m_flags->writeCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestProviderAuthenticationManager)
#include "TestProviderAuthenticationManager.moc"
