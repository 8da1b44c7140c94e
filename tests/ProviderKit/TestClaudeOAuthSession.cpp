#include <ProviderKit/ClaudeOAuthSession.h>
#include <ProviderKit/Pkce.h>

#include "ClaudeTokenAnswer.h"
#include "FakeBrowser.h"
#include "FakeClaudeServer.h"
#include "InMemoryCredentialStore.h"
#include "ManualClock.h"
#include "SlowCredentialStore.h"

#include <QJsonDocument>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTest>
#include <QUrlQuery>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

const QString clientID = u"0d6c1a52-3b7e-4f0a-9c2d-1e5f8a7b6c4d"_s;
const QStringList requested{u"org:create_api_key"_s, u"user:profile"_s};

QByteArray json(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// An address where nothing listens: a port the system just handed out and that is closed again.
QUrl unreachableBase()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return QUrl(u"http://127.0.0.1:"_s + QString::number(port));
}

bool isBase64URL(const QString& text)
{
    return QRegularExpression(u"^[A-Za-z0-9_-]+$"_s).match(text).hasMatch();
}

// How a token request goes wrong; the defaults are a good answer over a working connection.
struct Failure {
    int status = 200;
    QByteArray body; // empty: a good token answer
    int delay = 0;
    bool closeMidBody = false;
    bool unreachable = false;
    bool saveFails = false;
    bool browserOpens = true; // sign-in only
};

} // namespace

Q_DECLARE_METATYPE(Failure)

class TestClaudeOAuthSession : public QObject {
    Q_OBJECT

    std::unique_ptr<FakeClaudeServer> m_server;
    std::shared_ptr<InMemoryCredentialStore> m_store;
    std::unique_ptr<FakeBrowser> m_browser;
    ManualClock m_clock;
    ClaudeOAuthCredential m_earlier;
    std::shared_ptr<ClaudeCredentialFence> m_fence;

    std::shared_ptr<ClaudeOAuthSession> session(std::chrono::milliseconds requestTimeout = 60s,
                                                std::optional<QUrl> platformBase = std::nullopt,
                                                double callbackTimeout = 10.0,
                                                std::shared_ptr<ClaudeCredentialStoring> store = nullptr)
    {
        return std::make_shared<ClaudeOAuthSession>(
            store ? store : m_store, m_browser->opener(), m_server->baseURL(),
            platformBase.value_or(m_server->baseURL()), clientID, nullptr, requestTimeout, callbackTimeout,
            m_clock.function(), m_fence);
    }

    ClaudeOAuthCredential expiringIn(double seconds, QStringList scopes = requested)
    {
        return ClaudeOAuthCredential{.accessToken = u"stored-access-a1"_s,
                                     .refreshToken = u"stored-refresh-r1"_s,
                                     .expiresAt = m_clock.current().addingSeconds(seconds),
                                     .scopes = std::move(scopes)};
    }

private Q_SLOTS:
    void init()
    {
        m_server = std::make_unique<FakeClaudeServer>(clientID);
        m_store = std::make_shared<InMemoryCredentialStore>();
        m_fence = std::make_shared<ClaudeCredentialFence>();
        m_browser = std::make_unique<FakeBrowser>(*m_server, clientID);
        m_earlier = expiringIn(1800, {u"earlier:scope"_s});
    }

    // The lengths and alphabet of the verifier, challenge and state are checked on every sign-in.
    void pkceChallengeOfAKnownVerifier()
    {
        QCOMPARE(Pkce::challenge(u"dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk"),
                 u"E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM"_s);
    }

    void authorizationURLCannotBeGivenExtraParameters()
    {
        const QUrl url =
            session()->authorizationURL(u"http://localhost:1/callback"_s, u"c"_s, u"s&scope=x+y#z"_s);
        const auto items = QUrlQuery(url).queryItems(QUrl::FullyDecoded);
        QCOMPARE(items.size(), 8);
        QCOMPARE(items.last().second, u"s&scope=x+y#z"_s);
        QCOMPARE(url.fragment(), QString());
    }

    void loginStoresTheExchangedCredential_data()
    {
        QTest::addColumn<std::optional<QString>>("scope");
        QTest::addColumn<QStringList>("storedScopes");
        QTest::addColumn<double>("expiresIn");
        QTest::addColumn<double>("storedLifetime");
        QTest::addColumn<bool>("overIPv6");
        const double year = ClaudeOAuthSession::maximumLifetimeSeconds;
        QTest::newRow("empty scope") << std::optional(QString()) << QStringList{} << 3600.0 << 3600.0
                                     << false;
        QTest::newRow("extra spaces")
            << std::optional(u" a  b "_s) << QStringList{u"a"_s, u"b"_s} << 3600.0 << 3600.0 << false;
        // localhost resolved to ::1 by the browser reaches the same sign-in; no scope: the requested ones.
        QTest::newRow("browser on ::1") << std::optional<QString>() << requested << 3600.0 << 3600.0 << true;
        QTest::newRow("negative lifetime: expired now")
            << std::optional<QString>() << requested << -7200.0 << 0.0 << false;
        QTest::newRow("huge lifetime: one year")
            << std::optional<QString>() << requested << 1e300 << year << false;
    }

    void loginStoresTheExchangedCredential()
    {
        QFETCH(std::optional<QString>, scope);
        QFETCH(QStringList, storedScopes);
        QFETCH(double, expiresIn);
        QFETCH(double, storedLifetime);
        QFETCH(bool, overIPv6);
        if (overIPv6)
            m_browser->resolveLocalhostTo(QHostAddress::LocalHostIPv6);
        m_server->script(
            FakeClaudeServer::tokenPath,
            FakeClaudeServer::jsonResponse(
                200, claudeTokenAnswer(u"fresh-access-a2"_s, u"fresh-refresh-r2"_s, scope, expiresIn)));

        const auto result = QCoro::waitFor(session()->login());
        QVERIFY(result);
        QCOMPARE(m_browser->problems(), QStringList());
        QCOMPARE(m_server->violations(), QStringList());
        const auto exchanges = m_server->requestsTo(FakeClaudeServer::tokenPath);
        QCOMPARE(exchanges.size(), 1);
        const QJsonObject body = exchanges[0].json;
        // The fake server checks the grant, the code and the PKCE pair; these must be the browser's.
        QCOMPARE(body.value(u"redirect_uri"_s).toString(), m_browser->queryValue(u"redirect_uri"_s));
        QCOMPARE(body.value(u"state"_s).toString(), m_browser->queryValue(u"state"_s));
        QCOMPARE(body.value(u"code_verifier"_s).toString().size(), 64);
        QVERIFY(isBase64URL(body.value(u"code_verifier"_s).toString()));

        const ClaudeOAuthCredential expected{.accessToken = u"fresh-access-a2"_s,
                                             .refreshToken = u"fresh-refresh-r2"_s,
                                             .expiresAt = m_clock.current().addingSeconds(storedLifetime),
                                             .scopes = storedScopes};
        QVERIFY(m_store->stored() == expected);
        QTRY_VERIFY(m_browser->reply().startsWith("HTTP/1.1 302 Found\r\n"));
    }

    void failedTokenRequestKeepsTheCredential_data()
    {
        QTest::addColumn<bool>("signIn"); // else a refresh
        QTest::addColumn<Failure>("failure");
        QTest::addColumn<QString>("error");

        const auto row = [](bool signIn, const char* name, const Failure& failure, const QString& error) {
            QTest::addRow("%s: %s", signIn ? "sign-in" : "refresh", name) << signIn << failure << error;
        };
        // One token request serves both: the refresh tells its failures apart, the sign-in adds its own.
        const QString refresh = u"tokenRefreshFailed"_s;
        row(false, "status 201", {.status = 201}, refresh);
        row(false, "307 not followed", {.status = 307}, refresh);
        row(false, "not JSON", {.body = "<html>ok</html>"_ba}, refresh);
        row(false, "no access token", {.body = R"({"expires_in":3600})"_ba}, refresh);
        row(false, "expires_in as text",
            {.body = R"({"access_token":"a","refresh_token":"r","expires_in":"1"})"_ba}, refresh);
        row(false, "access token that breaks a header",
            {.body = json(claudeTokenAnswer(u"a\r\nX-Injected: 1"_s))}, refresh);
        row(false, "closed mid-body", {.closeMidBody = true}, u"connectionFailed"_s);
        row(false, "endpoint unreachable", {.unreachable = true}, u"connectionFailed"_s);
        row(false, "no answer in time", {.delay = 3000}, u"timedOut"_s);
        row(false, "save fails", {.saveFails = true}, u"credentialStorageFailed"_s);
        const QString exchange = u"tokenExchangeFailed"_s;
        row(true, "status 400", {.status = 400}, exchange);
        row(true, "no refresh token", {.body = json(claudeTokenAnswer(u"a"_s, std::nullopt))}, exchange);
        row(true, "save fails", {.saveFails = true}, u"credentialStorageFailed"_s);
        row(true, "browser cannot open", {.browserOpens = false}, u"browserCouldNotOpen"_s);
    }

    void failedTokenRequestKeepsTheCredential()
    {
        QFETCH(bool, signIn);
        QFETCH(Failure, failure);
        QFETCH(QString, error);
        const ClaudeOAuthCredential earlier = signIn ? m_earlier : expiringIn(60);
        m_store->setStored(earlier);
        m_store->failSave(failure.saveFails);
        FakeClaudeServer::Response response{
            .status = failure.status,
            .body = failure.body.isEmpty() ? json(claudeTokenAnswer(u"fresh-access-a2"_s)) : failure.body,
            .headers = {{"Content-Type"_ba, "application/json"_ba}},
            .delayMilliseconds = failure.delay,
            .closeMidBody = failure.closeMidBody};
        if (failure.status >= 300 && failure.status < 400)
            response.headers.append({"Location"_ba, m_server->baseURL().toEncoded() + "/elsewhere"});
        m_server->script(FakeClaudeServer::tokenPath, response);
        m_server->script("/elsewhere", FakeClaudeServer::jsonResponse(200, claudeTokenAnswer(u"followed"_s)));
        if (!failure.browserOpens)
            m_browser->refuseToOpen();

        const auto subject =
            session(1000ms, failure.unreachable ? std::optional(unreachableBase()) : std::nullopt, 1.0);
        const auto errorOf = [](const auto& result) {
            return result ? u"(succeeded)"_s : caseName(result.error());
        };
        QCOMPARE(signIn ? errorOf(QCoro::waitFor(subject->login()))
                        : errorOf(QCoro::waitFor(subject->validAccessToken())),
                 error);
        // Nothing followed a redirect, and nothing was sent before the browser came back.
        QCOMPARE(m_server->requests().size(), !failure.unreachable && failure.browserOpens ? 1 : 0);
        QVERIFY(m_store->stored() == earlier);
        QCOMPARE(m_store->saveCount(), 0);
        // The browser that came back is never told the sign-in succeeded.
        if (signIn && failure.browserOpens)
            QTRY_VERIFY2(m_browser->reply().startsWith("HTTP/1.1 200 OK\r\n"),
                         m_browser->reply().constData());
    }

    void refreshWithinTheMarginOnly_data()
    {
        QTest::addColumn<double>("remaining");
        QTest::addColumn<std::optional<QString>>("answeredRefresh");
        QTest::addColumn<std::optional<QString>>("answeredScope");
        QTest::addColumn<QString>("storedRefresh"); // empty: no refresh
        QTest::addColumn<QStringList>("storedScopes");
        const std::optional<QString> none;
        const std::optional<QString> profile = u"user:profile"_s;
        QTest::newRow("301 s left") << 301.0 << none << none << QString() << QStringList();
        QTest::newRow("300 s left, rotated") << 300.0 << std::optional(u"rotated-r9"_s) << profile
                                             << u"rotated-r9"_s << QStringList{u"user:profile"_s};
        QTest::newRow("299.5 s left, not rotated")
            << 299.5 << none << profile << u"stored-refresh-r1"_s << QStringList{u"user:profile"_s};
        QTest::newRow("expired, no scope: the requested ones")
            << -60.0 << none << none << u"stored-refresh-r1"_s << requested;
    }

    void refreshWithinTheMarginOnly()
    {
        QFETCH(double, remaining);
        QFETCH(std::optional<QString>, answeredRefresh);
        QFETCH(std::optional<QString>, answeredScope);
        QFETCH(QString, storedRefresh);
        QFETCH(QStringList, storedScopes);
        const ClaudeOAuthCredential stored = expiringIn(remaining, {u"custom:one"_s, u"custom:two"_s});
        m_store->setStored(stored);
        m_server->script(FakeClaudeServer::tokenPath,
                         FakeClaudeServer::jsonResponse(
                             200, claudeTokenAnswer(u"renewed-a3"_s, answeredRefresh, answeredScope, 7200)));
        const auto subject = session();
        // Signed in means stored, even when expired: asking never refreshes.
        QVERIFY(QCoro::waitFor(subject->isSignedIn()));
        QVERIFY(m_server->requests().isEmpty());

        const auto token = QCoro::waitFor(subject->validAccessToken());
        QVERIFY(token);
        QCOMPARE(m_server->violations(), QStringList());
        if (storedRefresh.isEmpty()) {
            QCOMPARE(*token, u"stored-access-a1"_s);
            QVERIFY(m_server->requests().isEmpty());
            QVERIFY(m_store->stored() == stored);
            return;
        }
        QCOMPARE(*token, u"renewed-a3"_s);
        QCOMPARE(m_server->requests().size(), 1);
        const QJsonObject body = m_server->requests().value(0).json;
        QCOMPARE(body.value(u"grant_type"_s).toString(), u"refresh_token"_s);
        QCOMPARE(body.value(u"refresh_token"_s).toString(), u"stored-refresh-r1"_s);
        QCOMPARE(body.value(u"scope"_s).toString(), u"custom:one custom:two"_s);
        const ClaudeOAuthCredential expected{.accessToken = u"renewed-a3"_s,
                                             .refreshToken = storedRefresh,
                                             .expiresAt = m_clock.current().addingSeconds(7200),
                                             .scopes = storedScopes};
        QVERIFY(m_store->stored() == expected);
    }

    void withoutAReadableCredential_data()
    {
        QTest::addColumn<bool>("loadFails");
        QTest::addColumn<QString>("error");
        QTest::newRow("nothing stored") << false << u"signedOut"_s;
        QTest::newRow("store fails") << true << u"credentialStorageFailed"_s;
    }

    void withoutAReadableCredential()
    {
        QFETCH(bool, loadFails);
        QFETCH(QString, error);
        if (loadFails)
            m_store->setStored(m_earlier);
        m_store->failLoad(loadFails);
        const auto subject = session();

        const auto token = QCoro::waitFor(subject->validAccessToken());
        QVERIFY(!token);
        QCOMPARE(caseName(token.error()), error);
        QVERIFY(!QCoro::waitFor(subject->isSignedIn()));
        // Signing out with nothing to revoke succeeds; one that cannot read the store keeps it.
        const auto logout = QCoro::waitFor(subject->logout());
        QCOMPARE(logout ? u"ok"_s : caseName(logout.error()), loadFails ? error : u"ok"_s);
        QCOMPARE(m_store->stored().has_value(), loadFails);
        QVERIFY(m_server->requests().isEmpty());
    }

    void disconnectDuringRefreshStaysSignedOut_data()
    {
        QTest::addColumn<bool>("whileSaving"); // else while the token endpoint is still answering
        QTest::addColumn<QString>("refreshed");
        QTest::newRow("slow token endpoint") << false << u"signedOut"_s;
        // The save had begun: the sign-out waits for it, then deletes what it wrote.
        QTest::newRow("slow keyring save") << true << u"(token)"_s;
    }

    void disconnectDuringRefreshStaysSignedOut()
    {
        // The usage provider's session refreshes while the manager's session signs out: the
        // refreshed credential must not come back.
        QFETCH(bool, whileSaving);
        QFETCH(QString, refreshed);
        m_store->setStored(expiringIn(60));
        FakeClaudeServer::Response answer =
            FakeClaudeServer::jsonResponse(200, claudeTokenAnswer(u"renewed-a3"_s));
        answer.delayMilliseconds = whileSaving ? 0 : 1500;
        m_server->script(FakeClaudeServer::tokenPath, answer);
        m_server->script(FakeClaudeServer::revokePath, FakeClaudeServer::jsonResponse(200, {}));
        const auto slowSaves = std::make_shared<SlowCredentialStore>(m_store);
        slowSaves->saveDelay = 500ms;
        const auto provider = session(60s, std::nullopt, 10.0, slowSaves);
        const auto manager = session();

        auto refreshing = provider->validAccessToken();
        QTRY_COMPARE(m_server->requestsTo(FakeClaudeServer::tokenPath).size(), 1);
        if (whileSaving)
            QTRY_COMPARE(slowSaves->savesBegun, 1); // answered at once; the save takes 500 ms
        QVERIFY(QCoro::waitFor(manager->logout()));
        const auto token = QCoro::waitFor(std::move(refreshing));
        QCOMPARE(token ? u"(token)"_s : caseName(token.error()), refreshed);
        QVERIFY(!m_store->stored());
        QVERIFY(!QCoro::waitFor(manager->isSignedIn()));
    }

    void logoutRevokesAndDeletes_data()
    {
        QTest::addColumn<int>("revocationStatus");
        QTest::addColumn<bool>("unreachable");
        QTest::addColumn<bool>("removeFails");
        QTest::newRow("revoked") << 200 << false << false;
        QTest::newRow("revocation refused") << 500 << false << false;
        QTest::newRow("revocation endpoint unreachable") << 200 << true << false;
        QTest::newRow("store cannot delete") << 200 << false << true;
    }

    void logoutRevokesAndDeletes()
    {
        QFETCH(int, revocationStatus);
        QFETCH(bool, unreachable);
        QFETCH(bool, removeFails);
        m_store->setStored(expiringIn(3600));
        m_store->failRemove(removeFails);
        m_server->script(FakeClaudeServer::revokePath, FakeClaudeServer::jsonResponse(revocationStatus, {}));

        const auto result = QCoro::waitFor(
            session(60s, unreachable ? std::optional(unreachableBase()) : std::nullopt)->logout());
        // Revocation is best effort; only the store decides the outcome.
        QCOMPARE(result ? u"ok"_s : caseName(result.error()),
                 removeFails ? u"credentialStorageFailed"_s : u"ok"_s);
        QCOMPARE(m_store->stored().has_value(), removeFails);
        const auto revocations = m_server->requestsTo(FakeClaudeServer::revokePath);
        QCOMPARE(revocations.size(), unreachable ? 0 : 1);
        if (!revocations.isEmpty())
            QCOMPARE(revocations[0].json.value(u"token"_s).toString(), u"stored-refresh-r1"_s);
        QCOMPARE(m_server->violations(), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestClaudeOAuthSession)
#include "TestClaudeOAuthSession.moc"
