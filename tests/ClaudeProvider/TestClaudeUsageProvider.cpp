#include <ClaudeProvider/ClaudeUsageProvider.h>

#include "FakeBrowser.h"
#include "FakeClaudeServer.h"
#include "InMemoryCredentialStore.h"
#include "ManualClock.h"

#include <QJsonDocument>
#include <QTcpServer>
#include <QTest>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

const QString clientID = u"5b0e9c3d-8a41-4f7e-b2c6-93d1a0e4f8b7"_s;
const QUuid connectionID = QUuid::fromString(u"6f1c2d3e-4a5b-4c6d-8e7f-9a0b1c2d3e4f"_s);

const QJsonObject usageBody{
    {u"five_hour"_s, QJsonObject{{u"utilization"_s, 42.5}, {u"resets_at"_s, u"2026-12-06T20:00:00Z"_s}}},
    {u"seven_day"_s, QJsonObject{{u"utilization"_s, 10}, {u"resets_at"_s, u"2026-12-10T00:00:00.5+00:00"_s}}},
};

QJsonObject tokenAnswer(const QString& access, const QString& refresh, double expiresIn = 3600)
{
    return {{u"access_token"_s, access}, {u"refresh_token"_s, refresh}, {u"expires_in"_s, expiresIn}};
}

QUrl unreachableBase()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return QUrl(u"http://127.0.0.1:"_s + QString::number(port));
}

FakeClaudeServer::Response answer(int status, QByteArray body, int delay = 0, bool closeMidBody = false)
{
    return FakeClaudeServer::Response{.status = status,
                                      .body = std::move(body),
                                      .headers = {{"Location"_ba, "/api/oauth/usage-moved"_ba}},
                                      .delayMilliseconds = delay,
                                      .closeMidBody = closeMidBody};
}

// Every text a result can show: diagnostic codes and messages.
QStringList textsOf(const ProviderCollectionResult& result)
{
    QStringList texts;
    for (const ProviderDiagnostic& diagnostic : result.diagnostics)
        texts << diagnostic.code << diagnostic.message;
    return texts;
}

} // namespace

class TestClaudeUsageProvider : public QObject {
    Q_OBJECT

    std::unique_ptr<FakeClaudeServer> m_server;
    std::shared_ptr<InMemoryCredentialStore> m_store;
    std::unique_ptr<FakeBrowser> m_browser;
    ManualClock m_clock;
    std::shared_ptr<ClaudeOAuthSession> m_session;
    Instant m_observedAt = Instant::fromSecondsSince1970(1'780'000'000.0);

    std::shared_ptr<ClaudeOAuthSession> session(const QUrl& platformBase)
    {
        return std::make_shared<ClaudeOAuthSession>(m_store, m_browser->opener(), m_server->baseURL(),
                                                    platformBase, clientID, nullptr, 1000ms, 10.0,
                                                    m_clock.function());
    }

    ClaudeUsageProvider provider(std::optional<QUrl> apiBase = std::nullopt)
    {
        return ClaudeUsageProvider(m_session, apiBase.value_or(m_server->baseURL()), nullptr, 1000ms);
    }

    ProviderCollectionResult collect(ClaudeUsageProvider usage)
    {
        return QCoro::waitFor(usage.collect(UsageCollectionRequest{connectionID, m_observedAt}));
    }

    void storeCredential(double secondsLeft)
    {
        m_store->setStored(ClaudeOAuthCredential{.accessToken = u"stored-access-a1"_s,
                                                 .refreshToken = u"stored-refresh-r1"_s,
                                                 .expiresAt = m_clock.current().addingSeconds(secondsLeft),
                                                 .scopes = ClaudeOAuthSession::requestedScopes()});
    }

    bool isFailure(const ProviderCollectionResult& result, const QString& code, const QString& message)
    {
        return result.diagnostics.size() == 1 &&
               result.diagnostics[0].severity == DiagnosticSeverity::error &&
               result.diagnostics[0].code == code && result.diagnostics[0].message == message &&
               result.windows.isEmpty() && result.tokenBuckets.isEmpty() &&
               result.collectedAt == m_observedAt &&
               result.provider.id == "app.tallyvane.claude.subscription"_L1;
    }

private Q_SLOTS:
    void init()
    {
        m_server = std::make_unique<FakeClaudeServer>(clientID);
        m_store = std::make_shared<InMemoryCredentialStore>();
        m_browser = std::make_unique<FakeBrowser>(*m_server, clientID);
        m_session = session(m_server->baseURL());
    }

    void signInCollectRefreshAndSignOut()
    {
        m_server->once(
            FakeClaudeServer::tokenPath,
            FakeClaudeServer::jsonResponse(200, tokenAnswer(u"round-access-1"_s, u"round-refresh-1"_s)));
        m_server->once(
            FakeClaudeServer::tokenPath,
            FakeClaudeServer::jsonResponse(200, tokenAnswer(u"round-access-2"_s, u"round-refresh-2"_s)));
        m_server->script(FakeClaudeServer::usagePath, FakeClaudeServer::jsonResponse(200, usageBody));
        m_server->script(FakeClaudeServer::revokePath, FakeClaudeServer::jsonResponse(200, {}));

        QVERIFY(QCoro::waitFor(m_session->login()));
        QCOMPARE(m_browser->problems(), QStringList());
        m_server->expectBearerToken(u"round-access-1"_s);
        ProviderCollectionResult result = collect(provider());
        QCOMPARE(result.windows.size(), 2);
        QVERIFY(!containsError(result.diagnostics));
        QCOMPARE(result.windows[0].connectionID, connectionID);

        // Five minutes before expiry the next collection refreshes first, and the rotated
        // refresh token replaces the old one.
        m_clock.advance(3600 - 300);
        m_server->expectBearerToken(u"round-access-2"_s);
        result = collect(provider());
        QCOMPARE(result.windows.size(), 2);
        const auto tokenRequests = m_server->requestsTo(FakeClaudeServer::tokenPath);
        QCOMPARE(tokenRequests.size(), 2);
        QCOMPARE(tokenRequests[1].json.value(u"refresh_token"_s).toString(), u"round-refresh-1"_s);
        QCOMPARE(m_store->stored()->refreshToken, u"round-refresh-2"_s);

        QVERIFY(QCoro::waitFor(m_session->logout()));
        const auto revocations = m_server->requestsTo(FakeClaudeServer::revokePath);
        QCOMPARE(revocations.size(), 1);
        QCOMPARE(revocations[0].json.value(u"token"_s).toString(), u"round-refresh-2"_s);
        const qsizetype before = m_server->requests().size();
        QVERIFY(isFailure(collect(provider()), u"claude.authentication_required"_s,
                          u"Sign in to Claude to read account usage."_s));
        QCOMPARE(m_server->requests().size(), before);
        QCOMPARE(m_server->violations(), QStringList());
    }

    void collectMapsTheAnswer_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("delay");
        QTest::addColumn<bool>("closeMidBody");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("message");
        const QByteArray good = QJsonDocument(usageBody).toJson();
        const QString rejected = u"Claude rejected the account authorization. Reconnect Claude."_s;
        const QString unavailable = u"Claude usage is temporarily unavailable."_s;
        const QString failed = u"Claude usage could not be refreshed from the account."_s;
        QTest::newRow("200") << 200 << good << 0 << false << QString() << QString();
        QTest::newRow("401") << 401 << good << 0 << false << u"claude.authentication_expired"_s << rejected;
        QTest::newRow("403") << 403 << good << 0 << false << u"claude.authentication_expired"_s << rejected;
        QTest::newRow("404") << 404 << good << 0 << false << u"claude.http_error"_s << unavailable;
        QTest::newRow("500") << 500 << good << 0 << false << u"claude.http_error"_s << unavailable;
        QTest::newRow("302 not followed")
            << 302 << good << 0 << false << u"claude.http_error"_s << unavailable;
        QTest::newRow("429") << 429 << good << 0 << false << u"claude.rate_limited"_s
                             << u"Claude temporarily rate-limited usage checks."_s;
        QTest::newRow("200 not JSON")
            << 200 << "<html>maintenance</html>"_ba << 0 << false << u"claude.schema_error"_s
            << u"Claude usage did not match the known account schema."_s;
        QTest::newRow("200 over 1 MiB") << 200 << FakeClaudeServer::oversizedResponse(usageBody, 1 << 20).body
                                        << 0 << false << u"claude.collection_failed"_s << failed;
        QTest::newRow("200 closed mid-body")
            << 200 << good << 0 << true << u"claude.collection_failed"_s << failed;
        QTest::newRow("no answer in time")
            << 200 << good << 3000 << false << u"claude.collection_failed"_s << failed;
    }

    void collectMapsTheAnswer()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(int, delay);
        QFETCH(bool, closeMidBody);
        QFETCH(QString, code);
        QFETCH(QString, message);
        storeCredential(3600);
        m_server->expectBearerToken(u"stored-access-a1"_s);
        m_server->script(FakeClaudeServer::usagePath, answer(status, body, delay, closeMidBody));
        m_server->script("/api/oauth/usage-moved", FakeClaudeServer::jsonResponse(200, usageBody));

        const ProviderCollectionResult result = collect(provider());
        if (code.isEmpty()) {
            QCOMPARE(result.windows.size(), 2);
            QVERIFY(result.diagnostics.isEmpty());
        } else {
            QVERIFY2(isFailure(result, code, message), qPrintable(textsOf(result).join(u" | ")));
        }
        QCOMPARE(m_server->requests().size(), 1); // no token request, no redirect followed
        QCOMPARE(m_server->violations(), QStringList());
    }

    void collectWhenNoTokenCanBeHad_data()
    {
        QTest::addColumn<bool>("stored");
        QTest::addColumn<int>("refreshStatus");
        QTest::addColumn<bool>("loadFails");
        QTest::addColumn<bool>("saveFails");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("requests");
        const QString failed = u"Claude usage could not be refreshed from the account."_s;
        QTest::newRow("no credential")
            << false << 200 << false << false << u"claude.authentication_required"_s
            << u"Sign in to Claude to read account usage."_s << 0;
        QTest::newRow("refresh answered 400")
            << true << 400 << false << false << u"claude.authentication_expired"_s
            << u"Claude authorization expired. Reconnect Claude."_s << 1;
        QTest::newRow("keyring unreadable")
            << true << 200 << true << false << u"claude.collection_failed"_s << failed << 0;
        QTest::newRow("refreshed token not storable")
            << true << 200 << false << true << u"claude.collection_failed"_s << failed << 1;
    }

    void collectWhenNoTokenCanBeHad()
    {
        QFETCH(bool, stored);
        QFETCH(int, refreshStatus);
        QFETCH(bool, loadFails);
        QFETCH(bool, saveFails);
        QFETCH(QString, code);
        QFETCH(QString, message);
        QFETCH(int, requests);
        if (stored)
            storeCredential(120);
        m_store->failLoad(loadFails);
        m_store->failSave(saveFails);
        m_server->script(
            FakeClaudeServer::tokenPath,
            FakeClaudeServer::jsonResponse(refreshStatus, tokenAnswer(u"renewed"_s, u"renewed-r"_s)));
        m_server->script(FakeClaudeServer::usagePath, FakeClaudeServer::jsonResponse(200, usageBody));

        QVERIFY(isFailure(collect(provider()), code, message));
        QCOMPARE(m_server->requests().size(), requests);
        QVERIFY(m_server->requestsTo(FakeClaudeServer::usagePath).isEmpty());
    }

    void collectWithoutAnHTTPAnswer_data()
    {
        QTest::addColumn<bool>("tokenEndpointReachable");
        QTest::addColumn<QUrl>("apiBase");
        QTest::addColumn<QString>("code");
        QTest::newRow("usage endpoint unreachable")
            << true << unreachableBase() << u"claude.collection_failed"_s;
        QTest::newRow("token endpoint unreachable") << false << QUrl() << u"claude.collection_failed"_s;
        QTest::newRow("not an HTTP address")
            << true << QUrl(u"file:///etc"_s) << u"claude.invalid_response"_s;
    }

    void collectWithoutAnHTTPAnswer()
    {
        QFETCH(bool, tokenEndpointReachable);
        QFETCH(QUrl, apiBase);
        QFETCH(QString, code);
        storeCredential(tokenEndpointReachable ? 3600 : 10);
        if (!tokenEndpointReachable)
            m_session = session(unreachableBase());
        const ProviderCollectionResult result =
            collect(provider(apiBase.isEmpty() ? m_server->baseURL() : apiBase));
        QCOMPARE(result.diagnostics.size(), 1);
        QCOMPARE(result.diagnostics[0].code, code);
        QVERIFY(result.windows.isEmpty());
        QVERIFY(m_server->requests().isEmpty());
    }

    void probeReadsOnlyTheStore_data()
    {
        QTest::addColumn<bool>("stored");
        QTest::addColumn<ProviderAvailability>("availability");
        QTest::addColumn<int>("capabilities");
        QTest::addColumn<int>("diagnostics");
        QTest::newRow("signed in, token expired")
            << true << ProviderAvailability::availableWithLimitations << 19 << 1;
        QTest::newRow("signed out") << false << ProviderAvailability::authenticationRequired << 0 << 0;
    }

    void probeReadsOnlyTheStore()
    {
        QFETCH(bool, stored);
        QFETCH(ProviderAvailability, availability);
        QFETCH(int, capabilities);
        QFETCH(int, diagnostics);
        if (stored)
            storeCredential(-60);
        ClaudeUsageProvider usage = provider();
        const ProviderProbeResult probe = QCoro::waitFor(usage.probe());
        QCOMPARE(probe.availability, availability);
        QCOMPARE(int(probe.capabilities.rawValue()), capabilities);
        QCOMPARE(probe.diagnostics.size(), diagnostics);
        QVERIFY(!probe.sourceVersion);
        if (diagnostics == 1) {
            QCOMPARE(probe.diagnostics[0].severity, DiagnosticSeverity::info);
            QCOMPARE(probe.diagnostics[0].code, u"claude.undocumented_account_endpoint"_s);
        }
        QVERIFY(m_server->requests().isEmpty());
    }

    // Every error value and diagnostic from the sign-in, refresh and collection paths, checked
    // for every secret and address those paths handled.
    void noTextCarriesASecretOrAnAddress()
    {
        QStringList texts;
        QStringList secrets{m_server->baseURL().toString(),
                            u"127.0.0.1"_s,
                            u"localhost"_s,
                            u"http://"_s,
                            u"https://"_s,
                            u"/oauth"_s,
                            u"Bearer"_s};
        auto remember = [&secrets](const QJsonObject& body) {
            for (auto it = body.begin(); it != body.end(); ++it) {
                if (it.key() != "grant_type"_L1 && it.key() != "scope"_L1 && it.key() != "token_type_hint"_L1)
                    secrets << it->toString();
            }
        };
        auto loginFailure = [&](FakeClaudeServer::Response response, std::optional<QString> forgedState) {
            init();
            m_server->script(FakeClaudeServer::tokenPath, std::move(response));
            if (forgedState)
                m_browser->answerWithState(*forgedState);
            const auto result = QCoro::waitFor(m_session->login());
            if (!result)
                texts << caseName(result.error());
            secrets << m_browser->queryValue(u"state"_s) << m_browser->queryValue(u"code_challenge"_s)
                    << m_browser->code() << m_browser->openedURL().toString();
            for (const auto& request : m_server->requests())
                remember(request.json);
        };
        const QJsonObject issued = tokenAnswer(u"issued-access-Q1"_s, u"issued-refresh-Q1"_s);
        secrets << u"issued-access-Q1"_s << u"issued-refresh-Q1"_s;
        loginFailure(FakeClaudeServer::jsonResponse(200, issued), u"forged-state-Z"_s);
        loginFailure(FakeClaudeServer::jsonResponse(201, issued), std::nullopt);
        loginFailure(answer(307, QJsonDocument(issued).toJson()), std::nullopt);
        loginFailure(FakeClaudeServer::oversizedResponse(issued, 1 << 20), std::nullopt);
        loginFailure(answer(200, QJsonDocument(issued).toJson(), 3000), std::nullopt);
        loginFailure(answer(200, QJsonDocument(issued).toJson(), 0, true), std::nullopt);
        loginFailure(FakeClaudeServer::jsonResponse(
                         200, {{u"access_token"_s, u"issued-access-Q1"_s}, {u"expires_in"_s, 60}}),
                     std::nullopt);

        const QList<FakeClaudeServer::Response> refreshAnswers{
            answer(400, QJsonDocument(issued).toJson()), answer(200, "{"_ba),
            answer(200, QJsonDocument(issued).toJson(), 3000)};
        for (const auto& refresh : refreshAnswers) {
            init();
            storeCredential(0);
            m_server->script(FakeClaudeServer::tokenPath, refresh);
            const auto token = QCoro::waitFor(m_session->validAccessToken());
            QVERIFY(!token);
            texts << caseName(token.error()) << textsOf(collect(provider()));
        }

        secrets << u"stored-access-a1"_s << u"stored-refresh-r1"_s;
        const QList<FakeClaudeServer::Response> usageAnswers{
            answer(401, "{\"error\":\"stored-access-a1 rejected\"}"_ba),
            answer(403, {}),
            answer(404, {}),
            answer(429, {}),
            answer(500, "stored-refresh-r1"_ba),
            answer(302, {}),
            answer(200, "not json: stored-access-a1"_ba),
            FakeClaudeServer::oversizedResponse(usageBody, 1 << 20),
            answer(200, {}, 3000),
            answer(200, QJsonDocument(usageBody).toJson(), 0, true)};
        for (const auto& usage : usageAnswers) {
            init();
            storeCredential(3600);
            m_server->script(FakeClaudeServer::usagePath, usage);
            texts << textsOf(collect(provider()));
        }
        init();
        texts << textsOf(collect(provider()));
        storeCredential(3600);
        texts << textsOf(collect(provider(unreachableBase())));
        ClaudeUsageProvider probing = provider();
        for (const ProviderDiagnostic& diagnostic : QCoro::waitFor(probing.probe()).diagnostics)
            texts << diagnostic.code << diagnostic.message;

        secrets.removeAll(QString());
        QVERIFY(texts.size() > 30);
        for (const QString& text : std::as_const(texts)) {
            for (const QString& secret : std::as_const(secrets))
                QVERIFY2(!text.contains(secret),
                         qPrintable(u"a text carries a secret or an address: "_s + text + u" / "_s + secret));
        }
    }
};

QTEST_GUILESS_MAIN(TestClaudeUsageProvider)
#include "TestClaudeUsageProvider.moc"
