#include <ProviderKit/ClaudeOAuthSession.h>
#include <ProviderKit/Pkce.h>

#include "FakeBrowser.h"
#include "FakeClaudeServer.h"
#include "InMemoryCredentialStore.h"
#include "ManualClock.h"

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

QJsonObject tokenAnswer(const QString& access, std::optional<QString> refresh = u"new-refresh-r2"_s,
                        std::optional<QString> scope = std::nullopt, double expiresIn = 3600)
{
    QJsonObject answer{
        {u"access_token"_s, access}, {u"expires_in"_s, expiresIn}, {u"token_type"_s, u"Bearer"_s}};
    if (refresh)
        answer.insert(u"refresh_token"_s, *refresh);
    if (scope)
        answer.insert(u"scope"_s, *scope);
    return answer;
}

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

FakeClaudeServer::Response scriptedResponse(int status, const QByteArray& body, int delay, bool closeMidBody,
                                            const QUrl& base)
{
    FakeClaudeServer::Response response{.status = status,
                                        .body = body,
                                        .headers = {{"Content-Type"_ba, "application/json"_ba}},
                                        .delayMilliseconds = delay,
                                        .closeMidBody = closeMidBody};
    if (status >= 300 && status < 400)
        response.headers.append({"Location"_ba, base.toEncoded() + "/elsewhere"});
    return response;
}

} // namespace

class TestClaudeOAuthSession : public QObject {
    Q_OBJECT

    std::unique_ptr<FakeClaudeServer> m_server;
    std::shared_ptr<InMemoryCredentialStore> m_store;
    std::unique_ptr<FakeBrowser> m_browser;
    ManualClock m_clock;
    ClaudeOAuthCredential m_earlier;

    std::shared_ptr<ClaudeOAuthSession> session(std::chrono::milliseconds requestTimeout = 60s,
                                                std::optional<QUrl> platformBase = std::nullopt)
    {
        return std::make_shared<ClaudeOAuthSession>(m_store, m_browser->opener(), m_server->baseURL(),
                                                    platformBase.value_or(m_server->baseURL()), clientID,
                                                    nullptr, requestTimeout, 10.0, m_clock.function());
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
        m_browser = std::make_unique<FakeBrowser>(*m_server, clientID);
        m_earlier = expiringIn(1800, {u"earlier:scope"_s});
    }

    void pkceChallengeMatchesTheKnownVector()
    {
        QCOMPARE(Pkce::challenge(u"dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk"),
                 u"E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM"_s);
    }

    void randomTextsAreFreshAndURLSafe()
    {
        const QString verifier = Pkce::randomURLSafeText(Pkce::verifierBytes);
        const QString state = Pkce::randomURLSafeText(Pkce::stateBytes);
        QCOMPARE(verifier.size(), 64);
        QCOMPARE(state.size(), 32);
        QCOMPARE(Pkce::challenge(verifier).size(), 43);
        QVERIFY(isBase64URL(verifier) && isBase64URL(state) && isBase64URL(Pkce::challenge(verifier)));
        QVERIFY(verifier != Pkce::randomURLSafeText(Pkce::verifierBytes));
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
        QTest::newRow("no scope: the requested ones") << std::optional<QString>() << requested;
        QTest::newRow("granted subset") << std::optional(u"user:profile"_s) << QStringList{u"user:profile"_s};
        QTest::newRow("empty scope") << std::optional(QString()) << QStringList{};
        QTest::newRow("extra spaces") << std::optional(u" a  b "_s) << QStringList{u"a"_s, u"b"_s};
    }

    void loginStoresTheExchangedCredential()
    {
        QFETCH(std::optional<QString>, scope);
        QFETCH(QStringList, storedScopes);
        m_server->script(FakeClaudeServer::tokenPath,
                         FakeClaudeServer::jsonResponse(
                             200, tokenAnswer(u"fresh-access-a2"_s, u"fresh-refresh-r2"_s, scope)));

        const auto result = QCoro::waitFor(session()->login());
        QVERIFY(result);
        QCOMPARE(m_browser->problems(), QStringList());
        QCOMPARE(m_server->violations(), QStringList()); // includes the PKCE check
        const auto exchanges = m_server->requestsTo(FakeClaudeServer::tokenPath);
        QCOMPARE(exchanges.size(), 1);
        const QJsonObject body = exchanges[0].json;
        QCOMPARE(body.value(u"grant_type"_s).toString(), u"authorization_code"_s);
        QCOMPARE(body.value(u"code"_s).toString(), m_browser->code());
        QCOMPARE(body.value(u"redirect_uri"_s).toString(), m_browser->queryValue(u"redirect_uri"_s));
        QCOMPARE(body.value(u"state"_s).toString(), m_browser->queryValue(u"state"_s));
        QCOMPARE(body.value(u"code_verifier"_s).toString().size(), 64);
        QVERIFY(isBase64URL(body.value(u"code_verifier"_s).toString()));

        const ClaudeOAuthCredential expected{.accessToken = u"fresh-access-a2"_s,
                                             .refreshToken = u"fresh-refresh-r2"_s,
                                             .expiresAt = m_clock.current().addingSeconds(3600),
                                             .scopes = storedScopes};
        QVERIFY(m_store->stored() == expected);
        QTRY_VERIFY(m_browser->reply().startsWith("HTTP/1.1 302 Found\r\n"));
        const QByteArray location =
            "Location: "_ba + m_server->baseURL().toEncoded() + "/oauth/code/success?app=claude-code\r\n"_ba;
        QVERIFY(m_browser->reply().contains(location));
    }

    void failedLoginKeepsTheEarlierCredential_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("delay");
        QTest::addColumn<bool>("closeMidBody");
        QTest::addColumn<QString>("answeredState");
        QTest::addColumn<bool>("browserOpens");
        QTest::addColumn<bool>("saveFails");
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("tokenRequests");

        const QByteArray good = json(tokenAnswer(u"fresh-access-a2"_s));
        auto row = [](const char* name) -> QTestData& { return QTest::newRow(name); };
        row("status 201") << 201 << good << 0 << false << QString() << true << false
                          << u"tokenExchangeFailed"_s << 1;
        row("status 400") << 400 << good << 0 << false << QString() << true << false
                          << u"tokenExchangeFailed"_s << 1;
        row("307 not followed") << 307 << good << 0 << false << QString() << true << false
                                << u"tokenExchangeFailed"_s << 1;
        row("no refresh token") << 200 << json(tokenAnswer(u"fresh-access-a2"_s, std::nullopt)) << 0 << false
                                << QString() << true << false << u"tokenExchangeFailed"_s << 1;
        row("not JSON") << 200 << "<html>ok</html>"_ba << 0 << false << QString() << true << false
                        << u"tokenExchangeFailed"_s << 1;
        row("expires_in as text") << 200
                                  << R"({"access_token":"a","refresh_token":"r","expires_in":"3600"})"_ba << 0
                                  << false << QString() << true << false << u"tokenExchangeFailed"_s << 1;
        row("access token that breaks a header")
            << 200 << json(tokenAnswer(u"a\r\nX-Injected: 1"_s)) << 0 << false << QString() << true << false
            << u"tokenExchangeFailed"_s << 1;
        row("body over 1 MiB")
            << 200 << FakeClaudeServer::oversizedResponse(tokenAnswer(u"fresh-access-a2"_s), 1 << 20).body
            << 0 << false << QString() << true << false << u"tokenExchangeFailed"_s << 1;
        row("closed mid-body") << 200 << good << 0 << true << QString() << true << false
                               << u"connectionFailed"_s << 1;
        row("no answer in time") << 200 << good << 3000 << false << QString() << true << false
                                 << u"timedOut"_s << 1;
        row("state mismatch") << 200 << good << 0 << false << u"forged-state"_s << true << false
                              << u"stateMismatch"_s << 0;
        row("browser cannot open") << 200 << good << 0 << false << QString() << false << false
                                   << u"browserCouldNotOpen"_s << 0;
        row("save fails") << 200 << good << 0 << false << QString() << true << true
                          << u"credentialStorageFailed"_s << 1;
    }

    void failedLoginKeepsTheEarlierCredential()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(int, delay);
        QFETCH(bool, closeMidBody);
        QFETCH(QString, answeredState);
        QFETCH(bool, browserOpens);
        QFETCH(bool, saveFails);
        QFETCH(QString, error);
        QFETCH(int, tokenRequests);
        m_store->setStored(m_earlier);
        m_store->failSave(saveFails);
        m_server->script(FakeClaudeServer::tokenPath,
                         scriptedResponse(status, body, delay, closeMidBody, m_server->baseURL()));
        m_server->script("/elsewhere", FakeClaudeServer::jsonResponse(200, tokenAnswer(u"followed"_s)));
        if (!answeredState.isEmpty())
            m_browser->answerWithState(answeredState);
        if (!browserOpens)
            m_browser->refuseToOpen();

        const auto result = QCoro::waitFor(session(1000ms)->login());
        QVERIFY(!result);
        QCOMPARE(caseName(result.error()), error);
        QCOMPARE(m_server->requests().size(), tokenRequests); // nothing followed a redirect
        QVERIFY(m_store->stored() == m_earlier);
        QCOMPARE(m_store->saveCount(), 0);
    }

    void loginWithTheTokenEndpointUnreachable()
    {
        auto unreachable = std::make_shared<ClaudeOAuthSession>(
            m_store, m_browser->opener(), m_server->baseURL(), unreachableBase(), clientID);
        const auto result = QCoro::waitFor(unreachable->login());
        QVERIFY(!result);
        QCOMPARE(caseName(result.error()), u"connectionFailed"_s);
        QVERIFY(!m_store->stored());
    }

    void refreshOnlyWithinTheMargin_data()
    {
        QTest::addColumn<double>("remaining");
        QTest::addColumn<bool>("refreshes");
        QTest::newRow("301 s left") << 301.0 << false;
        QTest::newRow("300 s left") << 300.0 << true;
        QTest::newRow("299.5 s left") << 299.5 << true;
        QTest::newRow("expired") << -60.0 << true;
    }

    void refreshOnlyWithinTheMargin()
    {
        QFETCH(double, remaining);
        QFETCH(bool, refreshes);
        m_store->setStored(expiringIn(remaining));
        m_server->script(FakeClaudeServer::tokenPath,
                         FakeClaudeServer::jsonResponse(200, tokenAnswer(u"renewed-a3"_s)));

        const auto token = QCoro::waitFor(session()->validAccessToken());
        QVERIFY(token);
        QCOMPARE(*token, refreshes ? u"renewed-a3"_s : u"stored-access-a1"_s);
        QCOMPARE(m_server->requests().size(), refreshes ? 1 : 0);
        QCOMPARE(m_server->violations(), QStringList());
    }

    void refreshRotationAndScopes_data()
    {
        QTest::addColumn<std::optional<QString>>("answeredRefresh");
        QTest::addColumn<std::optional<QString>>("answeredScope");
        QTest::addColumn<QString>("storedRefresh");
        QTest::addColumn<QStringList>("storedScopes");
        QTest::newRow("rotated") << std::optional(u"rotated-r9"_s) << std::optional(u"user:profile"_s)
                                 << u"rotated-r9"_s << QStringList{u"user:profile"_s};
        QTest::newRow("not rotated") << std::optional<QString>() << std::optional(u"user:profile"_s)
                                     << u"stored-refresh-r1"_s << QStringList{u"user:profile"_s};
        QTest::newRow("no scope: requested, not stored")
            << std::optional<QString>() << std::optional<QString>() << u"stored-refresh-r1"_s << requested;
    }

    void refreshRotationAndScopes()
    {
        QFETCH(std::optional<QString>, answeredRefresh);
        QFETCH(std::optional<QString>, answeredScope);
        QFETCH(QString, storedRefresh);
        QFETCH(QStringList, storedScopes);
        m_store->setStored(expiringIn(10, {u"custom:one"_s, u"custom:two"_s}));
        m_server->script(FakeClaudeServer::tokenPath,
                         FakeClaudeServer::jsonResponse(
                             200, tokenAnswer(u"renewed-a3"_s, answeredRefresh, answeredScope, 7200)));

        const auto token = QCoro::waitFor(session()->validAccessToken());
        QVERIFY(token);
        const QJsonObject body = m_server->requests().value(0).json;
        QCOMPARE(body.value(u"grant_type"_s).toString(), u"refresh_token"_s);
        QCOMPARE(body.value(u"refresh_token"_s).toString(), u"stored-refresh-r1"_s);
        QCOMPARE(body.value(u"scope"_s).toString(), u"custom:one custom:two"_s);
        QCOMPARE(m_server->violations(), QStringList());
        const ClaudeOAuthCredential expected{.accessToken = u"renewed-a3"_s,
                                             .refreshToken = storedRefresh,
                                             .expiresAt = m_clock.current().addingSeconds(7200),
                                             .scopes = storedScopes};
        QVERIFY(m_store->stored() == expected);
    }

    void failedRefreshKeepsTheCredential_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("delay");
        QTest::addColumn<bool>("closeMidBody");
        QTest::addColumn<bool>("saveFails");
        QTest::addColumn<QString>("error");
        const QByteArray good = json(tokenAnswer(u"renewed-a3"_s));
        QTest::newRow("400") << 400 << good << 0 << false << false << u"tokenRefreshFailed"_s;
        QTest::newRow("201") << 201 << good << 0 << false << false << u"tokenRefreshFailed"_s;
        QTest::newRow("302 not followed") << 302 << good << 0 << false << false << u"tokenRefreshFailed"_s;
        QTest::newRow("no access token")
            << 200 << R"({"expires_in":3600})"_ba << 0 << false << false << u"tokenRefreshFailed"_s;
        QTest::newRow("body over 1 MiB")
            << 200 << FakeClaudeServer::oversizedResponse(tokenAnswer(u"renewed-a3"_s), 1 << 20).body << 0
            << false << false << u"tokenRefreshFailed"_s;
        QTest::newRow("closed mid-body") << 200 << good << 0 << true << false << u"connectionFailed"_s;
        QTest::newRow("no answer in time") << 200 << good << 3000 << false << false << u"timedOut"_s;
        QTest::newRow("save fails") << 200 << good << 0 << false << true << u"credentialStorageFailed"_s;
    }

    void failedRefreshKeepsTheCredential()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(int, delay);
        QFETCH(bool, closeMidBody);
        QFETCH(bool, saveFails);
        QFETCH(QString, error);
        const ClaudeOAuthCredential stored = expiringIn(60);
        m_store->setStored(stored);
        m_store->failSave(saveFails);
        m_server->script(FakeClaudeServer::tokenPath,
                         scriptedResponse(status, body, delay, closeMidBody, m_server->baseURL()));
        m_server->script("/elsewhere", FakeClaudeServer::jsonResponse(200, tokenAnswer(u"followed"_s)));

        const auto token = QCoro::waitFor(session(1000ms)->validAccessToken());
        QVERIFY(!token);
        QCOMPARE(caseName(token.error()), error);
        QCOMPARE(m_server->requests().size(), 1);
        QVERIFY(m_store->stored() == stored);
    }

    void tokenWithoutAReadableCredential_data()
    {
        QTest::addColumn<bool>("loadFails");
        QTest::addColumn<QString>("error");
        QTest::newRow("nothing stored") << false << u"signedOut"_s;
        QTest::newRow("store fails") << true << u"credentialStorageFailed"_s;
    }

    void tokenWithoutAReadableCredential()
    {
        QFETCH(bool, loadFails);
        QFETCH(QString, error);
        m_store->failLoad(loadFails);
        const auto token = QCoro::waitFor(session()->validAccessToken());
        QVERIFY(!token);
        QCOMPARE(caseName(token.error()), error);
        QVERIFY(m_server->requests().isEmpty());
    }

    void logoutRevokesAndDeletes_data()
    {
        QTest::addColumn<int>("revocationStatus");
        QTest::addColumn<bool>("closeWithoutReply");
        QTest::newRow("revoked") << 200 << false;
        QTest::newRow("revocation refused") << 500 << false;
        QTest::newRow("revocation connection dropped") << 200 << true;
    }

    void logoutRevokesAndDeletes()
    {
        QFETCH(int, revocationStatus);
        QFETCH(bool, closeWithoutReply);
        m_store->setStored(expiringIn(3600));
        FakeClaudeServer::Response response = FakeClaudeServer::jsonResponse(revocationStatus, {});
        response.closeWithoutReply = closeWithoutReply;
        m_server->script(FakeClaudeServer::revokePath, response);

        QVERIFY(QCoro::waitFor(session()->logout()));
        QVERIFY(!m_store->stored());
        const auto revocations = m_server->requestsTo(FakeClaudeServer::revokePath);
        // The client may resend once over a connection that dropped before any answer.
        QVERIFY(!revocations.isEmpty());
        for (const auto& revocation : revocations)
            QCOMPARE(revocation.json.value(u"token"_s).toString(), u"stored-refresh-r1"_s);
        QCOMPARE(m_server->violations(), QStringList());
    }

    void logoutWithTheRevocationEndpointUnreachable()
    {
        m_store->setStored(expiringIn(3600));
        QVERIFY(QCoro::waitFor(session(60s, unreachableBase())->logout()));
        QVERIFY(!m_store->stored());
    }

    void logoutWithNothingStoredMakesNoRequest()
    {
        QVERIFY(QCoro::waitFor(session()->logout()));
        QVERIFY(m_server->requests().isEmpty());
    }

    void logoutStorageFailures()
    {
        m_store->setStored(m_earlier);
        m_store->failLoad();
        auto result = QCoro::waitFor(session()->logout());
        QVERIFY(!result);
        QCOMPARE(caseName(result.error()), u"credentialStorageFailed"_s);
        QVERIFY(m_store->stored() == m_earlier);
        QVERIFY(m_server->requests().isEmpty());

        m_store->failLoad(false);
        m_store->failRemove();
        result = QCoro::waitFor(session()->logout());
        QVERIFY(!result);
        QCOMPARE(caseName(result.error()), u"credentialStorageFailed"_s);
    }

    void isSignedInLooksOnlyAtTheStore_data()
    {
        QTest::addColumn<bool>("stored");
        QTest::addColumn<bool>("loadFails");
        QTest::addColumn<bool>("signedIn");
        QTest::newRow("expired but stored") << true << false << true;
        QTest::newRow("nothing stored") << false << false << false;
        QTest::newRow("store fails") << true << true << false;
    }

    void isSignedInLooksOnlyAtTheStore()
    {
        QFETCH(bool, stored);
        QFETCH(bool, loadFails);
        QFETCH(bool, signedIn);
        if (stored)
            m_store->setStored(expiringIn(-3600));
        m_store->failLoad(loadFails);
        QCOMPARE(QCoro::waitFor(session()->isSignedIn()), signedIn);
        QVERIFY(m_server->requests().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestClaudeOAuthSession)
#include "TestClaudeOAuthSession.moc"
