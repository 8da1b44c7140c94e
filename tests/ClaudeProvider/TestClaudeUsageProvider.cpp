#include <ClaudeProvider/ClaudeUsageProvider.h>

#include "ClaudeTokenAnswer.h"
#include "FakeBrowser.h"
#include "FakeClaudeServer.h"
#include "InMemoryCredentialStore.h"
#include "ManualClock.h"

#include <QJsonDocument>
#include <QTest>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(FakeClaudeServer::Response)

namespace {

const QString clientID = u"5b0e9c3d-8a41-4f7e-b2c6-93d1a0e4f8b7"_s;
const QUuid connectionID = QUuid::fromString(u"6f1c2d3e-4a5b-4c6d-8e7f-9a0b1c2d3e4f"_s);

const QJsonObject usageBody{
    {u"five_hour"_s, QJsonObject{{u"utilization"_s, 42.5}, {u"resets_at"_s, u"2026-12-06T20:00:00Z"_s}}},
    {u"seven_day"_s, QJsonObject{{u"utilization"_s, 10}, {u"resets_at"_s, u"2026-12-10T00:00:00.5+00:00"_s}}},
};

FakeClaudeServer::Response answer(int status, QByteArray body, int delay = 0)
{
    return FakeClaudeServer::Response{.status = status, .body = std::move(body), .delayMilliseconds = delay};
}

// Every text a result can show: diagnostic codes and messages.
QStringList textsOf(const ProviderCollectionResult& result)
{
    QStringList texts;
    for (const ProviderDiagnostic& diagnostic : result.diagnostics)
        texts << diagnostic.code << diagnostic.message;
    return texts;
}

// Nothing a result shows may carry a token, a code, an address or the bodies that held them.
const QStringList secretsAndAddresses{
    u"stored-access-a1"_s, u"stored-refresh-r1"_s, u"renewed"_s, u"127.0.0.1"_s, u"localhost"_s,
    u"http://"_s,          u"https://"_s,          u"/oauth"_s,  u"Bearer"_s};

QString leakIn(const ProviderCollectionResult& result)
{
    for (const QString& text : textsOf(result)) {
        for (const QString& secret : secretsAndAddresses) {
            if (text.contains(secret))
                return text;
        }
    }
    return {};
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
               result.provider.id == "app.tallyvane.claude.subscription"_L1 && leakIn(result).isEmpty();
    }

private Q_SLOTS:
    void init()
    {
        m_server = std::make_unique<FakeClaudeServer>(clientID);
        m_store = std::make_shared<InMemoryCredentialStore>();
        m_browser = std::make_unique<FakeBrowser>(*m_server, clientID);
        m_session = std::make_shared<ClaudeOAuthSession>(m_store, m_browser->opener(), m_server->baseURL(),
                                                         m_server->baseURL(), clientID, nullptr, 1000ms, 10.0,
                                                         m_clock.function());
    }

    void collectMapsTheAnswer_data()
    {
        QTest::addColumn<FakeClaudeServer::Response>("response");
        QTest::addColumn<QString>("code"); // empty: success
        QTest::addColumn<QString>("message");
        const QByteArray good = QJsonDocument(usageBody).toJson();
        const QString rejected = u"Claude rejected the account authorization. Reconnect Claude."_s;
        const QString unavailable = u"Claude usage is temporarily unavailable."_s;
        const QString failed = u"Claude usage could not be refreshed from the account."_s;
        const auto row = [](const char* name, const FakeClaudeServer::Response& response, const char* code,
                            const QString& message) {
            QTest::newRow(name) << response << QString::fromUtf8(code) << message;
        };
        // Error bodies quote the token: none of it may reach a message.
        row("200", answer(200, good), "", {});
        row("401", answer(401, "{\"error\":\"stored-access-a1 rejected\"}"_ba),
            "claude.authentication_expired", rejected);
        row("403", answer(403, good), "claude.authentication_expired", rejected);
        row("500", answer(500, "stored-refresh-r1"_ba), "claude.http_error", unavailable);
        row("429", answer(429, good), "claude.rate_limited",
            u"Claude temporarily rate-limited usage checks."_s);
        row("200 not JSON", answer(200, "<html>stored-access-a1</html>"_ba), "claude.schema_error",
            u"Claude usage did not match the known account schema."_s);
        row("200 over 1 MiB", FakeClaudeServer::oversizedResponse(usageBody, 1 << 20),
            "claude.collection_failed", failed);
        // Also shows the provider's own time-out is the one used.
        row("no answer in time", answer(200, good, 3000), "claude.collection_failed", failed);
    }

    void collectMapsTheAnswer()
    {
        QFETCH(FakeClaudeServer::Response, response);
        QFETCH(QString, code);
        QFETCH(QString, message);
        storeCredential(3600);
        m_server->expectBearerToken(u"stored-access-a1"_s);
        m_server->script(FakeClaudeServer::usagePath, response);

        const ProviderCollectionResult result = collect(provider());
        if (code.isEmpty())
            QVERIFY(result.windows.size() == 2 && result.diagnostics.isEmpty() &&
                    result.windows[0].connectionID == connectionID);
        else
            QVERIFY2(isFailure(result, code, message), qPrintable(textsOf(result).join(u" | ")));
        QCOMPARE(m_server->requests().size(), 1); // no token request
        QCOMPARE(m_server->violations(), QStringList());
    }

    void collectWhenNoTokenCanBeHad_data()
    {
        // How the session fails is its own suite's; here each of its answers maps to one result.
        QTest::addColumn<bool>("stored");
        QTest::addColumn<bool>("loadFails");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("requests");
        QTest::newRow("no credential") << false << false << u"claude.authentication_required"_s
                                       << u"Sign in to Claude to read account usage."_s << 0;
        QTest::newRow("refresh answered 400") << true << false << u"claude.authentication_expired"_s
                                              << u"Claude authorization expired. Reconnect Claude."_s << 1;
        QTest::newRow("keyring unreadable")
            << true << true << u"claude.collection_failed"_s
            << u"Claude usage could not be refreshed from the account."_s << 0;
    }

    void collectWhenNoTokenCanBeHad()
    {
        QFETCH(bool, stored);
        QFETCH(bool, loadFails);
        QFETCH(QString, code);
        QFETCH(QString, message);
        QFETCH(int, requests);
        if (stored)
            storeCredential(120);
        m_store->failLoad(loadFails);
        // The refusal quotes the tokens: none of it may reach a message.
        m_server->script(
            FakeClaudeServer::tokenPath,
            answer(400, QJsonDocument(claudeTokenAnswer(u"renewed"_s, u"renewed-r"_s)).toJson()));
        m_server->script(FakeClaudeServer::usagePath, FakeClaudeServer::jsonResponse(200, usageBody));

        const ProviderCollectionResult result = collect(provider());
        QVERIFY2(isFailure(result, code, message), qPrintable(textsOf(result).join(u" | ")));
        QCOMPARE(m_server->requests().size(), requests);
        QVERIFY(m_server->requestsTo(FakeClaudeServer::usagePath).isEmpty());
    }

    void notAnHTTPAddressIsAnInvalidResponse()
    {
        storeCredential(3600);
        const ProviderCollectionResult result = collect(provider(QUrl(u"file:///etc"_s)));
        QVERIFY2(isFailure(result, u"claude.invalid_response"_s,
                           u"Claude returned an invalid network response."_s),
                 qPrintable(textsOf(result).join(u" | ")));
        QVERIFY(m_server->requests().isEmpty());
    }

    void probeReadsOnlyTheStore()
    {
        ClaudeUsageProvider usage = provider();
        ProviderProbeResult probe = QCoro::waitFor(usage.probe());
        QCOMPARE(probe.availability, ProviderAvailability::authenticationRequired);
        QVERIFY(probe.capabilities.isEmpty() && probe.diagnostics.isEmpty() && !probe.sourceVersion);

        storeCredential(-60); // expired: the probe neither refreshes nor calls out
        probe = QCoro::waitFor(usage.probe());
        QCOMPARE(probe.availability, ProviderAvailability::availableWithLimitations);
        QCOMPARE(probe.capabilities.rawValue(), 19);
        QVERIFY(!probe.sourceVersion);
        QCOMPARE(probe.diagnostics.size(), 1);
        QCOMPARE(probe.diagnostics[0].severity, DiagnosticSeverity::info);
        QCOMPARE(probe.diagnostics[0].code, u"claude.undocumented_account_endpoint"_s);
        QCOMPARE(leakIn({.diagnostics = probe.diagnostics}), QString());
        QVERIFY(m_server->requests().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestClaudeUsageProvider)
#include "TestClaudeUsageProvider.moc"
