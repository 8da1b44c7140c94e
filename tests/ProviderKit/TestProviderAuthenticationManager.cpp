#include "FakeBrowser.h"
#include "FakeClaudeServer.h"
#include "FakeCodexScenario.h"
#include "InMemoryAuthorizationFlags.h"
#include "InMemoryCredentialStore.h"
#include "ProcessProbes.h"
#include "RecordingCommandRunner.h"

#include <ProviderKit/CodexOAuthSession.h>
#include <ProviderKit/ProviderAuthenticationManager.h>
#include <ProviderKit/UserToolDirectories.h>

#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

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

using Status = ProviderConnectionStatus;

const QString claudeClientID = u"0d6c1a52-3b7e-4f0a-9c2d-1e5f8a7b6c4d"_s;
const QString loginId = u"22222222-2222-4222-8222-222222222222"_s;
const QString authUrl = u"https://auth.example.com/oauth/authorize?state=STATE-SECRET-5d1e"_s;
const QStringList helpArguments{u"app-server"_s, u"--help"_s};
const QStringList statusArguments{u"login"_s, u"status"_s};

// Every detail the manager may give; anything else would be a leak or a typo.
const QStringList fixedDetails{u"Claude account · Keyring"_s,
                               u"Claude sign-in required"_s,
                               u"Claude sign-in was not completed"_s,
                               u"Tokens revoked and removed from the keyring"_s,
                               u"Claude credentials could not be removed"_s,
                               u"Command-line tool not found"_s,
                               u"Codex must be updated to support live usage access"_s,
                               u"Authentication status could not be checked"_s,
                               u"ChatGPT sign-in required"_s,
                               u"ChatGPT account"_s,
                               u"OpenAI API key"_s,
                               u"Codex account"_s,
                               u"Account available — connect to authorize usage access"_s,
                               u"Sign-in timed out"_s,
                               u"ChatGPT sign-in was not completed"_s,
                               u"Signed out from ChatGPT"_s,
                               u"ChatGPT sign-out could not be completed"_s};

// Pieces of child output, tokens and addresses the tests hand to the manager.
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

QJsonObject notification(const QString& method, const QJsonObject& params)
{
    return {{u"method"_s, method}, {u"params"_s, params}};
}

FakeCodexScript handshake()
{
    FakeCodexScript script;
    script.respondResult(u"initialize"_s, QJsonObject{{u"userAgent"_s, u"codex/0.171.0"_s}});
    return script;
}

// The sign-in answered with the authorisation page, then the given notifications.
FakeCodexScript signIn(const QList<QJsonObject>& afterwards)
{
    FakeCodexScript script = handshake();
    script.respondResult(
        u"account/login/start"_s,
        QJsonObject{{u"type"_s, u"chatgpt"_s}, {u"loginId"_s, loginId}, {u"authUrl"_s, authUrl}});
    for (const QJsonObject& message : afterwards)
        script.writeLine(message);
    return script;
}

QJsonObject completion(bool success)
{
    return notification(u"account/login/completed"_s, {{u"loginId"_s, loginId}, {u"success"_s, success}});
}

FakeCodexScript loggedIn(const QByteArray& text)
{
    return FakeCodexScript::answer(text);
}

// A port the system just handed out and that is closed again: nothing listens there.
QUrl unreachableBase()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return QUrl(u"http://127.0.0.1:"_s + QString::number(port));
}

// The pages the Codex sign-in hands over (from a pool thread) to be opened.
struct OpenedPages {
    QMutex mutex;
    QList<QUrl> urls;
};

// How a test builds its manager; anything left out is the usual fake setup.
struct Options {
    std::optional<CodexExecutableSearch> search;
    ProviderAuthenticationLimits limits;
    double codexLoginTimeout = 10;
    std::optional<QUrl> claudePlatformBase;
    double claudeCallbackTimeout = 10;
    std::optional<ClaudeOAuthSession::BrowserOpener> claudeOpener;
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
    std::shared_ptr<OpenedPages> m_codexPages;
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
            m_store, options.claudeOpener.value_or(m_browser->opener()), m_server->baseURL(),
            options.claudePlatformBase.value_or(m_server->baseURL()), claudeClientID, nullptr, 10s,
            options.claudeCallbackTimeout);
        auto codexSession = std::make_shared<CodexOAuthSession>(
            [pages = m_codexPages](const QUrl& url) {
                QMutexLocker locker(&pages->mutex);
                pages->urls.append(url);
                return true;
            },
            options.codexLoginTimeout, 10);
        return std::make_unique<ProviderAuthenticationManager>(options.search.value_or(fakeOnPath()),
                                                               m_runner, m_flags, claudeSession, codexSession,
                                                               options.limits);
    }

    QList<QUrl> openedCodexPages() const
    {
        QMutexLocker locker(&m_codexPages->mutex);
        return m_codexPages->urls;
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
    void init();
    void cleanup();

    void codexStatus_data();
    void codexStatus();
    void commandsRunWithTheirLimits();
    void capabilityFailure_data();
    void capabilityFailure();
    void capabilityIsCheckedOncePerExecutable();
    void locatesCodex_data();
    void locatesCodex();
    void codexNotInstalled();
    void codexLogin_data();
    void codexLogin();
    void authorisationFollowsSignInAndSignOut();
    void codexDisconnect_data();
    void codexDisconnect();

    void claudeStatus_data();
    void claudeStatus();
    void claudeLogin_data();
    void claudeLogin();
    void claudeDisconnect_data();
    void claudeDisconnect();
};

void TestProviderAuthenticationManager::init()
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
    m_codexPages = std::make_shared<OpenedPages>();
    m_answers.clear();
}

void TestProviderAuthenticationManager::cleanup()
{
    // Whatever the test did: every answer names the service asked about and carries one of the
    // fixed sentences, never a path, token or anything a child printed.
    for (const auto& [service, state] : std::as_const(m_answers)) {
        QCOMPARE(state.service, service);
        QVERIFY(state.detail.has_value());
        QVERIFY2(fixedDetails.contains(*state.detail), qPrintable(*state.detail));
        for (const QString& secret : secrets)
            QVERIFY2(!state.detail->contains(secret, Qt::CaseInsensitive), qPrintable(*state.detail));
    }
    QTRY_VERIFY_WITH_TIMEOUT(noChildrenRemain(), 5000);
    m_fake.reset();
    m_directory.reset();
}

void TestProviderAuthenticationManager::codexStatus_data()
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
    QTest::newRow("API key") << loggedIn("Logged in using an API key - sk-proj-***9f2c\n") << true << apiKey;
    QTest::newRow("API KEY in capitals") << loggedIn("LOGGED IN WITH API KEY\n") << true << apiKey;
    QTest::newRow("api-key") << loggedIn("Logged in (auth mode: api-key)\n") << true << apiKey;
    QTest::newRow("Api Key") << loggedIn("Logged in: Api Key\n") << true << apiKey;
    QTest::newRow("API key, not authorised here")
        << loggedIn("Logged in using an API key\n") << false << notAuthorized;
    QTest::newRow("ChatGPT is tested before API key")
        << loggedIn("Logged in using ChatGPT; api key unused\n") << true << chatGPT;
    QTest::newRow("apikey without a separator is another account")
        << loggedIn("Logged in, apikey\n") << true << codex(Status::signedIn, u"Codex account"_s);
    QTest::newRow("other account") << loggedIn("Logged in\n") << true
                                   << codex(Status::signedIn, u"Codex account"_s);
    QTest::newRow("standard error is not read")
        << FakeCodexScript::answer("Logged in\n", 0, "ChatGPT session refreshed\n") << true
        << codex(Status::signedIn, u"Codex account"_s);
    QTest::newRow("exit status 1 wins over the output")
        << FakeCodexScript::answer("Logged in using ChatGPT\n", 1) << true
        << codex(Status::signedOut, u"ChatGPT sign-in required"_s);
    QTest::newRow("not logged in, as the tool says it")
        << FakeCodexScript::answer({}, 1, "Not logged in\n") << false
        << codex(Status::signedOut, u"ChatGPT sign-in required"_s);
    const auto unchecked = codex(Status::failed, u"Authentication status could not be checked"_s);
    QTest::newRow("output past the limit") << FakeCodexScript().fill(70000).exitWith(0) << true << unchecked;
    QTest::newRow("slower than the time-out")
        << FakeCodexScript::answer("Logged in using ChatGPT\n", 0, {}, 6000) << true << unchecked;
}

void TestProviderAuthenticationManager::codexStatus()
{
    QFETCH(FakeCodexScript, loginStatus);
    QFETCH(bool, authorized);
    QFETCH(ProviderConnectionState, answer);

    QVERIFY(m_fake->set(FakeCodexCommand::loginStatus, loginStatus));
    if (authorized)
        m_flags->setAuthorized(ProviderService::codex, true);
    const int writes = m_flags->writeCount();
    auto subject = manager({.limits = {.statusTimeoutSeconds = 2}});

    QCOMPARE(status(*subject), answer);
    QCOMPARE(m_fake->invocations(), (QList<QStringList>{helpArguments, statusArguments}));
    // Asking never changes the user's decision.
    QCOMPARE(m_flags->writeCount(), writes);
}

void TestProviderAuthenticationManager::commandsRunWithTheirLimits()
{
    auto subject = manager();
    QCOMPARE(status(*subject).status, Status::signedOut);

    const QList<RecordingCommandRunner::Call>& calls = m_runner->calls();
    QCOMPARE(calls.size(), 2);
    QCOMPARE(calls[0].arguments, helpArguments);
    QCOMPARE(calls[0].timeoutSeconds, 5.0);
    QCOMPARE(calls[0].outputLimit, qint64(65536));
    QCOMPARE(calls[1].arguments, statusArguments);
    QCOMPARE(calls[1].timeoutSeconds, 8.0);
    QCOMPARE(calls[1].outputLimit, qint64(65536));
}

void TestProviderAuthenticationManager::capabilityFailure_data()
{
    QTest::addColumn<FakeCodexScript>("help");
    QTest::newRow("exit status 1") << FakeCodexScript::answer({}, 1, "error: unrecognized subcommand\n");
    QTest::newRow("exit status 2") << FakeCodexScript::answer("Usage: codex app-server\n", 2);
    QTest::newRow("slower than the time-out")
        << FakeCodexScript::answer("Usage: codex app-server\n", 0, {}, 4000);
    QTest::newRow("output past the limit") << FakeCodexScript().fill(70000).exitWith(0);
}

void TestProviderAuthenticationManager::capabilityFailure()
{
    QFETCH(FakeCodexScript, help);
    QVERIFY(m_fake->set(FakeCodexCommand::appServerHelp, help));
    QVERIFY(m_fake->set(FakeCodexCommand::loginStatus, loggedIn("Logged in using ChatGPT\n")));
    m_flags->setAuthorized(ProviderService::codex, true);
    auto subject = manager({.limits = {.capabilityTimeoutSeconds = 1}});

    const auto unsupported =
        codex(Status::unsupportedVersion, u"Codex must be updated to support live usage access"_s);
    QCOMPARE(status(*subject), unsupported);
    QCOMPARE(login(*subject), unsupported);
    // Neither the status command nor a sign-in was started, and nothing was remembered.
    QCOMPARE(m_runner->count(statusArguments), 0);
    QVERIFY(!fakeStartedSignInChild());
    QVERIFY(openedCodexPages().isEmpty());
    QCOMPARE(m_runner->count(helpArguments), 2);
    QVERIFY(!subject->appServerCapableExecutable());
    QCOMPARE(m_flags->isAuthorized(ProviderService::codex), true);
}

void TestProviderAuthenticationManager::capabilityIsCheckedOncePerExecutable()
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

void TestProviderAuthenticationManager::locatesCodex_data()
{
    QTest::addColumn<QString>("where");
    QTest::newRow("on PATH") << u"path"_s;
    QTest::newRow("configured, not on PATH") << u"configured"_s;
    QTest::newRow("node version directory") << u"node"_s;
}

void TestProviderAuthenticationManager::locatesCodex()
{
    QFETCH(QString, where);
    CodexExecutableSearch search = fakeOnPath();
    // Secrets of the application's own environment must not reach the child.
    search.environment->insert(u"OPENAI_API_KEY"_s, u"sk-proj-environment-secret"_s);
    QString executable = m_fake->executablePath();
    if (where != u"path"_s)
        search.environment->insert(u"PATH"_s, u"/nonexistent"_s);
    if (where == u"configured"_s)
        search.configuredExecutable = executable;
    if (where == u"node"_s) {
        auto installed = FakeCodexScenario::install(homeDirectory() + u"/.nvm/versions/node/v22.3.0/bin"_s);
        QVERIFY2(installed, qPrintable(installed.error()));
        executable = installed->executablePath();
    }
    auto subject = manager({.search = search});

    QCOMPARE(status(*subject), codex(Status::signedOut, u"ChatGPT sign-in required"_s));
    QCOMPARE(m_runner->calls().size(), 2);
    for (const RecordingCommandRunner::Call& call : m_runner->calls()) {
        QCOMPARE(call.executablePath, executable);
        QVERIFY(!call.environment.contains(u"OPENAI_API_KEY"_s));
        // The executable's own directory comes first, so a node-installed tool finds node.
        QCOMPARE(call.environment.value(u"PATH"_s).split(u':').first(), QFileInfo(executable).path());
        QCOMPARE(call.environment.value(u"HOME"_s), homeDirectory());
    }
}

void TestProviderAuthenticationManager::codexNotInstalled()
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

void TestProviderAuthenticationManager::codexLogin_data()
{
    QTest::addColumn<FakeCodexScript>("appServer");
    QTest::addColumn<FakeCodexScript>("loginStatus");
    QTest::addColumn<double>("loginTimeout");
    QTest::addColumn<ProviderConnectionState>("answer");
    QTest::addColumn<bool>("authorizes");

    const FakeCodexScript chatGPT = loggedIn("Logged in using ChatGPT\n");
    const FakeCodexScript notLoggedIn = FakeCodexScript::answer({}, 1, "Not logged in\n");
    const auto notCompleted = codex(Status::failed, u"ChatGPT sign-in was not completed"_s);

    QTest::newRow("completed") << signIn({completion(true)}) << chatGPT << 10.0
                               << codex(Status::signedIn, u"ChatGPT account"_s) << true;
    QTest::newRow("completed with an API key account")
        << signIn({completion(true)}) << loggedIn("Logged in using an API key - sk-proj-***9f2c\n") << 10.0
        << codex(Status::signedIn, u"OpenAI API key"_s) << true;
    QTest::newRow("completed, but the tool still reports no account")
        << signIn({completion(true)}) << notLoggedIn << 10.0
        << codex(Status::signedOut, u"ChatGPT sign-in required"_s) << false;
    QTest::newRow("no completion before the deadline")
        << signIn({}).sleep(60000) << chatGPT << 1.0 << codex(Status::failed, u"Sign-in timed out"_s)
        << false;
    QTest::newRow("completion reporting failure")
        << signIn({completion(false)}) << chatGPT << 10.0 << notCompleted << false;
    QTest::newRow("sign-in refused") << handshake().respondError(u"account/login/start"_s, -32600,
                                                                 u"refused"_s)
                                     << chatGPT << 10.0 << notCompleted << false;
    QTest::newRow("child gone after the handshake")
        << handshake().expect(u"account/login/start"_s).exitWith(0) << chatGPT << 10.0 << notCompleted
        << false;
}

void TestProviderAuthenticationManager::codexLogin()
{
    QFETCH(FakeCodexScript, appServer);
    QFETCH(FakeCodexScript, loginStatus);
    QFETCH(double, loginTimeout);
    QFETCH(ProviderConnectionState, answer);
    QFETCH(bool, authorizes);

    QVERIFY(m_fake->set(FakeCodexCommand::appServer, appServer));
    QVERIFY(m_fake->set(FakeCodexCommand::loginStatus, loginStatus));
    auto subject = manager({.codexLoginTimeout = loginTimeout});

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

void TestProviderAuthenticationManager::authorisationFollowsSignInAndSignOut()
{
    QVERIFY(m_fake->set(FakeCodexCommand::loginStatus, loggedIn("Logged in using ChatGPT\n")));
    QVERIFY(m_fake->set(FakeCodexCommand::appServer, signIn({completion(true)})));
    auto subject = manager();

    const auto available =
        codex(Status::disconnected, u"Account available — connect to authorize usage access"_s);
    const auto chatGPT = codex(Status::signedIn, u"ChatGPT account"_s);
    QCOMPARE(status(*subject), available);
    QCOMPARE(login(*subject), chatGPT);
    QCOMPARE(openedCodexPages(), QList<QUrl>{QUrl(authUrl)});
    QCOMPARE(status(*subject), chatGPT);

    // Signing out clears the decision; the tool may still hold an account of its own.
    QVERIFY(m_fake->set(FakeCodexCommand::appServer,
                        handshake().respondResult(u"account/logout"_s, QJsonObject{})));
    QCOMPARE(disconnect(*subject), codex(Status::signedOut, u"Signed out from ChatGPT"_s));
    QCOMPARE(status(*subject), available);

    // A reset of the preferences forgets the decision too.
    m_flags->setAuthorized(ProviderService::codex, true);
    QCOMPARE(status(*subject), chatGPT);
    m_flags->setAuthorized(ProviderService::codex, false);
    QCOMPARE(status(*subject), available);
}

void TestProviderAuthenticationManager::codexDisconnect_data()
{
    QTest::addColumn<FakeCodexScript>("appServer");
    QTest::addColumn<bool>("capable");
    QTest::addColumn<ProviderConnectionState>("answer");

    const auto signedOut = codex(Status::signedOut, u"Signed out from ChatGPT"_s);
    const auto failed = codex(Status::failed, u"ChatGPT sign-out could not be completed"_s);
    const FakeCodexScript answered =
        handshake()
            .respondResult(u"account/logout"_s, QJsonObject{})
            .writeLine(notification(u"account/updated"_s, {{u"authMode"_s, QJsonValue::Null}}));

    QTest::newRow("signed out") << answered << true << signedOut;
    QTest::newRow("signed out by a tool without the app-server help") << answered << false << signedOut;
    QTest::newRow("sign-out refused")
        << handshake().respondError(u"account/logout"_s, -32600, u"Logged in"_s) << true << failed;
    QTest::newRow("child gone before answering")
        << handshake().expect(u"account/logout"_s).exitWith(0) << true << failed;
}

void TestProviderAuthenticationManager::codexDisconnect()
{
    QFETCH(FakeCodexScript, appServer);
    QFETCH(bool, capable);
    QFETCH(ProviderConnectionState, answer);

    QVERIFY(m_fake->set(FakeCodexCommand::appServer, appServer));
    if (!capable)
        QVERIFY(m_fake->set(FakeCodexCommand::appServerHelp, FakeCodexScript::answer({}, 1)));
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

void TestProviderAuthenticationManager::claudeStatus_data()
{
    QTest::addColumn<bool>("stored");
    QTest::addColumn<bool>("loadFails");
    QTest::addColumn<ProviderConnectionState>("answer");

    const auto signedIn = claude(Status::signedIn, u"Claude account · Keyring"_s);
    const auto signedOut = claude(Status::signedOut, u"Claude sign-in required"_s);
    QTest::newRow("credential stored") << true << false << signedIn;
    QTest::newRow("nothing stored") << false << false << signedOut;
    QTest::newRow("keyring unreadable") << true << true << signedOut;
}

void TestProviderAuthenticationManager::claudeStatus()
{
    QFETCH(bool, stored);
    QFETCH(bool, loadFails);
    QFETCH(ProviderConnectionState, answer);
    if (stored)
        m_store->setStored(storedCredential());
    m_store->failLoad(loadFails);
    auto subject = manager();

    QCOMPARE(status(*subject, ProviderService::claude), answer);
    QVERIFY(m_server->requests().isEmpty());
    QVERIFY(m_runner->calls().isEmpty());
}

void TestProviderAuthenticationManager::claudeLogin_data()
{
    QTest::addColumn<int>("tokenStatus");
    QTest::addColumn<int>(
        "browser"); // 0 answers, 1 cannot open, 2 shows the page but the user never finishes
    QTest::addColumn<bool>("saveFails");
    QTest::addColumn<ProviderConnectionState>("answer");

    const auto failed = claude(Status::failed, u"Claude sign-in was not completed"_s);
    QTest::newRow("signed in") << 200 << 0 << false
                               << claude(Status::signedIn, u"Claude account · Keyring"_s);
    QTest::newRow("code exchange refused") << 400 << 0 << false << failed;
    QTest::newRow("no browser") << 200 << 1 << false << failed;
    QTest::newRow("cancelled in the browser") << 200 << 2 << false << failed;
    QTest::newRow("keyring refuses the credential") << 200 << 0 << true << failed;
}

void TestProviderAuthenticationManager::claudeLogin()
{
    QFETCH(int, tokenStatus);
    QFETCH(int, browser);
    QFETCH(bool, saveFails);
    QFETCH(ProviderConnectionState, answer);

    const QJsonObject token{{u"access_token"_s, u"fresh-access-a2"_s},
                            {u"refresh_token"_s, u"fresh-refresh-r2"_s},
                            {u"expires_in"_s, 3600},
                            {u"token_type"_s, u"Bearer"_s}};
    m_server->script(FakeClaudeServer::tokenPath,
                     FakeClaudeServer::jsonResponse(tokenStatus, tokenStatus == 200 ? token : QJsonObject{}));
    if (browser == 1)
        m_browser->refuseToOpen();
    m_store->failSave(saveFails);
    const ClaudeOAuthCredential earlier = storedCredential();
    m_store->setStored(earlier);
    Options options;
    if (browser == 2)
        options = {.claudeCallbackTimeout = 1, .claudeOpener = [](const QUrl&) { return true; }};
    auto subject = manager(options);

    QCOMPARE(login(*subject, ProviderService::claude), answer);
    // A failed sign-in leaves the earlier credential as it was.
    const bool signedIn = answer.status == Status::signedIn;
    QVERIFY(signedIn ? m_store->stored() && m_store->stored()->accessToken == u"fresh-access-a2"_s
                     : m_store->stored() == earlier);
    QCOMPARE(m_server->requests().size(), browser == 0 ? 1 : 0);
    QCOMPARE(m_server->violations(), QStringList());
    QVERIFY(m_runner->calls().isEmpty());
    QCOMPARE(m_flags->writeCount(), 0);
}

void TestProviderAuthenticationManager::claudeDisconnect_data()
{
    QTest::addColumn<bool>("reachable");
    QTest::addColumn<int>("revocationStatus");
    QTest::addColumn<bool>("removeFails");
    QTest::addColumn<ProviderConnectionState>("answer");

    const auto revoked = claude(Status::signedOut, u"Tokens revoked and removed from the keyring"_s);
    QTest::newRow("revoked") << true << 200 << false << revoked;
    QTest::newRow("revocation endpoint unreachable") << false << 200 << false << revoked;
    QTest::newRow("revocation refused") << true << 500 << false << revoked;
    QTest::newRow("keyring cannot delete")
        << true << 200 << true << claude(Status::failed, u"Claude credentials could not be removed"_s);
}

void TestProviderAuthenticationManager::claudeDisconnect()
{
    QFETCH(bool, reachable);
    QFETCH(int, revocationStatus);
    QFETCH(bool, removeFails);
    QFETCH(ProviderConnectionState, answer);

    m_store->setStored(storedCredential());
    m_store->failRemove(removeFails);
    m_server->script(FakeClaudeServer::revokePath, FakeClaudeServer::jsonResponse(revocationStatus, {}));
    Options options;
    if (!reachable)
        options.claudePlatformBase = unreachableBase();
    auto subject = manager(options);

    QCOMPARE(disconnect(*subject, ProviderService::claude), answer);
    QCOMPARE(m_store->stored().has_value(), removeFails);
    QCOMPARE(m_server->requestsTo(FakeClaudeServer::revokePath).isEmpty(), !reachable);
    QVERIFY(m_runner->calls().isEmpty());
    QCOMPARE(m_flags->writeCount(), 0);
}

QTEST_GUILESS_MAIN(TestProviderAuthenticationManager)
#include "TestProviderAuthenticationManager.moc"
