#include "ProcessProbes.h"

#include <ProviderKit/CodexOAuthSession.h>

#include <QFileInfo>
#include <QMutex>
#include <QTemporaryDir>
#include <QTest>

#include "RealCodex.h"
#include <QUrlQuery>

#include <memory>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

namespace {

QString outcome(const std::expected<void, CodexOAuthError>& result)
{
    return result ? u"ok"_s : debugText(result.error());
}

} // namespace

// Runs against the pinned `codex` named by TALLYVANE_REAL_CODEX, with a throw-away HOME so
// nothing touches the user's own account.
class TestCodexSignInRealCli : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void signInHandsOverTheAuthorisationPageAndTimesOut();
    void signOutSucceeds();

private:
    QString m_codex;
    std::optional<QTemporaryDir> m_home;
    EnvironmentMap m_environment;
};

void TestCodexSignInRealCli::init()
{
    TALLYVANE_REQUIRE_REAL_CODEX(m_codex);
    m_home.emplace();
    QVERIFY(m_home->isValid());
    EnvironmentMap application = ProcessEnvironment::current();
    application.insert(u"HOME"_s, m_home->path());
    m_environment = ProcessEnvironment::forExecutable(m_codex, application, m_home->path());
}

void TestCodexSignInRealCli::cleanup()
{
    QTRY_VERIFY_WITH_TIMEOUT(noChildrenRemain(), 5000);
    m_home.reset();
}

void TestCodexSignInRealCli::signInHandsOverTheAuthorisationPageAndTimesOut()
{
    auto urls = std::make_shared<QList<QUrl>>();
    auto mutex = std::make_shared<QMutex>();
    // Records the page and claims to have opened it; nothing is ever shown.
    CodexOAuthSession session(
        [urls, mutex](const QUrl& url) {
            QMutexLocker locker(mutex.get());
            urls->append(url);
            return true;
        },
        3);

    QCOMPARE(outcome(QCoro::waitFor(session.login(m_codex, m_environment))), u"timedOut"_s);
    QMutexLocker locker(mutex.get());
    QCOMPARE(urls->size(), 1);
    const QUrl page = urls->first();
    QCOMPARE(page.scheme(), u"https"_s);
    QVERIFY(!page.host().isEmpty());
    const QUrl redirect(QUrlQuery(page).queryItemValue(u"redirect_uri"_s, QUrl::FullyDecoded));
    QCOMPARE(redirect.host(), u"127.0.0.1"_s);
    locker.unlock();
    // The child and whatever it started in its group are gone.
    QTRY_VERIFY_WITH_TIMEOUT(noChildrenRemain(), 5000);
}

void TestCodexSignInRealCli::signOutSucceeds()
{
    CodexOAuthSession session([](const QUrl&) { return false; });
    QCOMPARE(outcome(QCoro::waitFor(session.logout(m_codex, m_environment))), u"ok"_s);
}

QTEST_GUILESS_MAIN(TestCodexSignInRealCli)
#include "TestCodexSignInRealCli.moc"
