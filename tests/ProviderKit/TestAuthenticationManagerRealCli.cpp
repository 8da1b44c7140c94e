#include "InMemoryAuthorizationFlags.h"
#include "InMemoryCredentialStore.h"
#include "ProcessProbes.h"
#include "RecordingCommandRunner.h"

#include <ProviderKit/CodexOAuthSession.h>
#include <ProviderKit/ProviderAuthenticationManager.h>

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "RealCodex.h"

#include <memory>
#include <optional>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

namespace {

const QStringList helpArguments{u"app-server"_s, u"--help"_s};
const QStringList statusArguments{u"login"_s, u"status"_s};

} // namespace

// The manager against the pinned `codex` named by TALLYVANE_REAL_CODEX, with a throw-away HOME
// so that the tool sees no account and nothing touches the user's own.
class TestAuthenticationManagerRealCli : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void notSignedInAndCapabilityCheckedOnce();
    void signOutWithoutAnAccountClearsTheFlag();

private:
    std::unique_ptr<ProviderAuthenticationManager> manager();

    QString m_codex;
    std::optional<QTemporaryDir> m_home;
    std::shared_ptr<RecordingCommandRunner> m_runner;
    std::shared_ptr<InMemoryAuthorizationFlags> m_flags;
};

void TestAuthenticationManagerRealCli::init()
{
    TALLYVANE_REQUIRE_REAL_CODEX(m_codex);
    m_home.emplace();
    QVERIFY(m_home->isValid());
    m_runner = std::make_shared<RecordingCommandRunner>();
    m_flags = std::make_shared<InMemoryAuthorizationFlags>();
}

void TestAuthenticationManagerRealCli::cleanup()
{
    QTRY_VERIFY_WITH_TIMEOUT(noChildrenRemain(), 5000);
    m_home.reset();
}

std::unique_ptr<ProviderAuthenticationManager> TestAuthenticationManagerRealCli::manager()
{
    EnvironmentMap application = ProcessEnvironment::current();
    application.insert(u"HOME"_s, m_home->path());
    const CodexExecutableSearch search{
        .configuredExecutable = m_codex, .environment = application, .homeDirectory = m_home->path()};
    // Nothing here may open a page: an opener that is called fails the sign-in.
    auto codexSession = std::make_shared<CodexOAuthSession>([](const QUrl&) { return false; });
    auto claudeSession = std::make_shared<ClaudeOAuthSession>(std::make_shared<InMemoryCredentialStore>(),
                                                              [](const QUrl&) { return false; });
    return std::make_unique<ProviderAuthenticationManager>(search, m_runner, m_flags, claudeSession,
                                                           codexSession);
}

void TestAuthenticationManagerRealCli::notSignedInAndCapabilityCheckedOnce()
{
    auto subject = manager();
    const ProviderConnectionState signedOut{.service = ProviderService::codex,
                                            .status = ProviderConnectionStatus::signedOut,
                                            .detail = u"ChatGPT sign-in required"_s};

    QCOMPARE(QCoro::waitFor(subject->status(ProviderService::codex)), signedOut);
    const QList<RecordingCommandRunner::Call> first = m_runner->calls();
    QCOMPARE(first.size(), 2);
    QCOMPARE(first[0].arguments, helpArguments);
    QVERIFY(first[0].result && *first[0].result);
    QCOMPARE((*first[0].result)->status, 0);
    QCOMPARE(first[1].arguments, statusArguments);
    QVERIFY(first[1].result && *first[1].result);
    QCOMPARE((*first[1].result)->status, 1);
    // Whatever the tool printed stays out of the answer.
    QVERIFY(!(*first[1].result)->standardError.isEmpty() || !(*first[1].result)->standardOutput.isEmpty());

    QCOMPARE(QCoro::waitFor(subject->status(ProviderService::codex)), signedOut);
    QCOMPARE(m_runner->count(helpArguments), 1);
    QCOMPARE(m_runner->count(statusArguments), 2);
    QCOMPARE(subject->appServerCapableExecutable(), std::optional(QFileInfo(m_codex).absoluteFilePath()));
}

void TestAuthenticationManagerRealCli::signOutWithoutAnAccountClearsTheFlag()
{
    m_flags->setAuthorized(ProviderService::codex, true);
    auto subject = manager();

    const ProviderConnectionState signedOut{.service = ProviderService::codex,
                                            .status = ProviderConnectionStatus::signedOut,
                                            .detail = u"Signed out from ChatGPT"_s};
    QCOMPARE(QCoro::waitFor(subject->disconnect(ProviderService::codex)), signedOut);
    QCOMPARE(m_flags->isAuthorized(ProviderService::codex), false);
    QVERIFY(m_runner->calls().isEmpty());
}

QTEST_GUILESS_MAIN(TestAuthenticationManagerRealCli)
#include "TestAuthenticationManagerRealCli.moc"
