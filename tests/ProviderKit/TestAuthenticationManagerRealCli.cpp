#include "InMemoryAuthorizationFlags.h"
#include "InMemoryCredentialStore.h"
#include "ProcessProbes.h"
#include "RealCodex.h"
#include "RecordingCommandRunner.h"
#include "RecordingOpener.h"

#include <ProviderKit/CodexOAuthSession.h>
#include <ProviderKit/ProviderAuthenticationManager.h>

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

#include <memory>
#include <optional>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

namespace {

const QStringList helpArguments{u"app-server"_s, u"--help"_s};
const QStringList statusArguments{u"login"_s, u"status"_s};

ProviderConnectionState codex(ProviderConnectionStatus status, const QString& detail)
{
    return {.service = ProviderService::codex, .status = status, .detail = detail};
}

} // namespace

// The manager against the pinned `codex` named by TALLYVANE_REAL_CODEX, with a throw-away HOME
// so that the tool sees no account and nothing touches the user's own.
class TestAuthenticationManagerRealCli : public QObject {
    Q_OBJECT

    QString m_codex;
    std::optional<QTemporaryDir> m_home;
    std::shared_ptr<RecordingCommandRunner> m_runner;
    std::shared_ptr<InMemoryAuthorizationFlags> m_flags;
    RecordingOpener m_pages;

    std::unique_ptr<ProviderAuthenticationManager> manager(double loginTimeout = 3)
    {
        EnvironmentMap application = ProcessEnvironment::current();
        application.insert(u"HOME"_s, m_home->path());
        const CodexExecutableSearch search{
            .configuredExecutable = m_codex, .environment = application, .homeDirectory = m_home->path()};
        // Pages are only recorded, never shown; the Claude side opens nothing.
        auto codexSession = std::make_shared<CodexOAuthSession>(m_pages.opener(), loginTimeout);
        auto claudeSession = std::make_shared<ClaudeOAuthSession>(std::make_shared<InMemoryCredentialStore>(),
                                                                  [](const QUrl&) { return false; });
        return std::make_unique<ProviderAuthenticationManager>(search, m_runner, m_flags, claudeSession,
                                                               codexSession);
    }

private Q_SLOTS:
    void init()
    {
        TALLYVANE_REQUIRE_REAL_CODEX(m_codex);
        m_home.emplace();
        QVERIFY(m_home->isValid());
        m_runner = std::make_shared<RecordingCommandRunner>();
        m_flags = std::make_shared<InMemoryAuthorizationFlags>();
        m_pages = {};
    }

    void cleanup()
    {
        // The child and whatever it started in its group are gone.
        QTRY_VERIFY_WITH_TIMEOUT(noChildrenRemain(), 5000);
        m_home.reset();
    }

    // Asking again is the fake tool's test; here the real tool's exit statuses are what counts.
    void notSignedInAndCapable()
    {
        auto subject = manager();
        const auto signedOut = codex(ProviderConnectionStatus::signedOut, u"ChatGPT sign-in required"_s);

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
        QVERIFY(!(*first[1].result)->standardError.isEmpty() ||
                !(*first[1].result)->standardOutput.isEmpty());

        QCOMPARE(subject->appServerCapableExecutable(), std::optional(QFileInfo(m_codex).absoluteFilePath()));
    }

    void signInHandsOverTheAuthorisationPageAndTimesOut()
    {
        auto subject = manager();
        QCOMPARE(QCoro::waitFor(subject->login(ProviderService::codex)),
                 codex(ProviderConnectionStatus::failed, u"Sign-in timed out"_s));
        QCOMPARE(m_pages.urls().size(), 1);
        const QUrl page = m_pages.urls().first();
        QCOMPARE(page.scheme(), u"https"_s);
        QVERIFY(!page.host().isEmpty());
        const QUrl redirect(QUrlQuery(page).queryItemValue(u"redirect_uri"_s, QUrl::FullyDecoded));
        QCOMPARE(redirect.host(), u"127.0.0.1"_s);
        QCOMPARE(m_flags->writeCount(), 0);
    }

    void signOutWithoutAnAccountClearsTheFlag()
    {
        m_flags->setAuthorized(ProviderService::codex, true);
        auto subject = manager();

        QCOMPARE(QCoro::waitFor(subject->disconnect(ProviderService::codex)),
                 codex(ProviderConnectionStatus::signedOut, u"Signed out from ChatGPT"_s));
        QCOMPARE(m_flags->isAuthorized(ProviderService::codex), false);
        QVERIFY(m_runner->calls().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestAuthenticationManagerRealCli)
#include "TestAuthenticationManagerRealCli.moc"
