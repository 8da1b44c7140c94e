#include <CodexProvider/CodexFailureDiagnostic.h>
#include <CodexProvider/CodexUsageProvider.h>
#include <ProviderKit/UserToolDirectories.h>

#include "CodexExpectations.h"
#include "ProcessProbes.h"
#include "ScratchFakeCodex.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTest>

#include <algorithm>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

namespace {

const QUuid& connection = codexConnection;
const Instant& observedAt = codexObservedAt;
const UsageCollectionRequest request{connection, observedAt};

QJsonValue json(const QByteArray& text)
{
    return QJsonDocument::fromJson(text).object();
}

const QJsonValue signedInRateLimits = json(
    R"({"rateLimits":{"limitId":"codex","primary":{"usedPercent":42,"windowDurationMins":300,"resetsAt":1767225600},)"
    R"("secondary":{"usedPercent":10,"windowDurationMins":10080,"resetsAt":1767600000}}})");
const QJsonValue signedInUsage = json(R"({"dailyUsageBuckets":[{"startDate":"2025-12-30","tokens":1200},)"
                                      R"({"startDate":"2025-12-31","tokens":3400}]})");

ProviderDiagnostic failure(const QString& code, const QString& message)
{
    return {DiagnosticSeverity::error, code, message};
}

// A scratch home and search path with nothing in them, and a fake `codex` that is found only
// when asked for, so nothing on this machine decides the outcome.
struct Fixture {
    ScratchFakeCodex fake;

    QString emptyDirectory() const { return fake.path(u"empty"_s); }

    bool installFake() { return fake.isValid() && QDir().mkpath(emptyDirectory()); }

    CodexUsageProvider provider(std::optional<QString> configured) const
    {
        return CodexUsageProvider(CodexLookup{
            .configuredExecutable = std::move(configured),
            .environment = EnvironmentMap{{u"PATH"_s, emptyDirectory()}, {u"HOME"_s, emptyDirectory()}},
            .homeDirectory = emptyDirectory(),
        });
    }
    CodexUsageProvider provider() const { return provider(fake->executablePath()); }
};

} // namespace

Q_DECLARE_METATYPE(tallyvane::testing::FakeCodexScript)
Q_DECLARE_METATYPE(tallyvane::ProviderDiagnostic)
Q_DECLARE_METATYPE(tallyvane::ProviderAvailability)
Q_DECLARE_METATYPE(tallyvane::CodexNormalizationFailure)

class TestCodexUsageProvider : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(m_fixture.installFake()); }

    void nothingFoundMeansNotInstalled()
    {
        for (const QString& systemDirectory : UserToolDirectories::searchOrder(QString())) {
            if (QFile::exists(systemDirectory + u"/codex"_s))
                QSKIP("this machine has codex in a well-known location");
        }
        CodexUsageProvider provider = m_fixture.provider(std::nullopt);
        const ProviderProbeResult probe = QCoro::waitFor(provider.probe());
        QCOMPARE(probe.provider, codexDescriptor);
        QCOMPARE(probe.availability, ProviderAvailability::notInstalled);
        QVERIFY(probe.capabilities.isEmpty() && !probe.sourceVersion && probe.diagnostics.isEmpty());

        const ProviderCollectionResult collected = QCoro::waitFor(provider.collect(request));
        QCOMPARE(collected.collectedAt, observedAt);
        QVERIFY(collected.windows.isEmpty() && collected.tokenBuckets.isEmpty());
        QCOMPARE(collected.diagnostics,
                 QList{failure(u"codex.not_installed"_s,
                               u"Codex is not installed or its executable is not configured."_s)});
        QVERIFY(m_fixture.fake->invocations().isEmpty());
    }

    void bothProbeQueriesRunAtOnce()
    {
        QVERIFY(m_fixture.fake->set(FakeCodexCommand::version,
                                    FakeCodexScript::answer("codex-cli 0.50.0\n", 0, {}, 800)));
        QVERIFY(m_fixture.fake->set(FakeCodexCommand::appServerHelp,
                                    FakeCodexScript::answer("app-server\n", 0, {}, 800)));
        QVERIFY(m_fixture.fake->clearLog());
        const ProviderProbeResult probe = QCoro::waitFor(m_fixture.provider().probe());
        QCOMPARE(probe.availability, ProviderAvailability::availableWithLimitations);

        // Run one after the other, the first would have exited before the second started.
        const QList<QJsonObject> events = m_fixture.fake->events();
        const auto isExit = [](const QJsonObject& event) { return event.value(u"event"_s) == u"exit"_s; };
        const auto firstExit = std::find_if(events.begin(), events.end(), isExit);
        QCOMPARE(
            std::count_if(events.begin(), firstExit,
                          [](const QJsonObject& event) { return event.value(u"event"_s) == u"start"_s; }),
            2);
    }

    void probe_data()
    {
        QTest::addColumn<FakeCodexScript>("version");
        QTest::addColumn<FakeCodexScript>("capability");
        QTest::addColumn<ProviderAvailability>("availability");
        QTest::addColumn<std::optional<QString>>("sourceVersion");
        QTest::addColumn<QList<ProviderDiagnostic>>("diagnostics");
        const auto row = [](const char* name, const FakeCodexScript& version,
                            const FakeCodexScript& capability, ProviderAvailability availability,
                            const std::optional<QString>& sourceVersion,
                            const QList<ProviderDiagnostic>& diagnostics = {}) {
            QTest::newRow(name) << version << capability << availability << sourceVersion << diagnostics;
        };
        using enum ProviderAvailability;
        using Script = FakeCodexScript;
        const std::optional<QString> old = u"codex-cli 0.20.0"_s;
        // What a supported CLI answers is the real one's suite; here the ways it falls short.
        row("capability query exits 2", Script::answer(" codex-cli 0.20.0\r\n"),
            Script::answer("app-server\n", 2), unsupportedVersion, old);
        row("help without app-server", Script::answer("codex-cli 0.20.0\n"),
            Script::answer("Usage: codex [OPTIONS]\n"), unsupportedVersion, old);
        row("marker only on stderr", Script::answer("codex-cli 0.20.0\n"),
            Script::answer("Usage\n", 0, "app-server\n"), unsupportedVersion, old);
        row("version query exits 1, no text", Script::answer({}, 1), Script::answer("app-server\n"),
            unsupportedVersion, std::nullopt);
        row("version query too slow", Script::answer("codex-cli 0.50.0\n", 0, {}, 4000),
            Script::answer("app-server\n"), temporarilyUnavailable, std::nullopt,
            {{DiagnosticSeverity::warning, u"codex.probe_failed"_s,
              u"The Codex executable was found but could not be capability-probed."_s}});
    }

    void probe()
    {
        QFETCH(FakeCodexScript, version);
        QFETCH(FakeCodexScript, capability);
        QFETCH(ProviderAvailability, availability);
        QFETCH(std::optional<QString>, sourceVersion);
        QFETCH(QList<ProviderDiagnostic>, diagnostics);
        QVERIFY(m_fixture.fake->set(FakeCodexCommand::version, version));
        QVERIFY(m_fixture.fake->set(FakeCodexCommand::appServerHelp, capability));

        const ProviderProbeResult probe = QCoro::waitFor(m_fixture.provider().probe());
        QCOMPARE(probe.provider, codexDescriptor);
        QCOMPARE(probe.availability, availability);
        QVERIFY(probe.capabilities.isEmpty());
        QCOMPARE(probe.sourceVersion, sourceVersion);
        QCOMPARE(probe.diagnostics, diagnostics);
    }

    // Both answers arrive intact (the field mapping is the normaliser's), labelled with the
    // version the CLI gives; a version query that fails only drops the label.
    void signedInExchangeGivesWindowsAndBuckets_data()
    {
        QTest::addColumn<FakeCodexScript>("version");
        QTest::addColumn<std::optional<QString>>("sourceVersion");
        QTest::newRow("version answered")
            << FakeCodexScript::answer("codex-cli 0.50.0\n") << std::optional(u"codex-cli 0.50.0"_s);
        QTest::newRow("version status non-zero")
            << FakeCodexScript::answer("codex-cli 0.50.0\n", 1) << std::optional<QString>();
        QTest::newRow("version only white space")
            << FakeCodexScript::answer(" \n\t\n") << std::optional<QString>();
    }

    void signedInExchangeGivesWindowsAndBuckets()
    {
        QFETCH(FakeCodexScript, version);
        QFETCH(std::optional<QString>, sourceVersion);
        QVERIFY(m_fixture.fake->set(FakeCodexCommand::version, version));
        QVERIFY(m_fixture.fake->set(FakeCodexCommand::appServer,
                                    FakeCodexScript::usageExchange(signedInRateLimits, signedInUsage)));
        QVERIFY(m_fixture.fake->clearLog());

        const ProviderCollectionResult result = QCoro::waitFor(m_fixture.provider().collect(request));
        QCOMPARE(result.provider, codexDescriptor);
        QCOMPARE(result.collectedAt, observedAt);
        QVERIFY2(result.diagnostics.isEmpty(), qPrintable(codesOf(result.diagnostics).join(u", ")));
        QCOMPARE(result.windows.size(), 2);
        QCOMPARE(result.windows.at(0).usedFraction, Decimal::fromString(u"0.42"));
        QCOMPARE(result.tokenBuckets.size(), 2);
        QCOMPARE(result.tokenBuckets.at(1).totalTokens, 3400);
        for (const UsageWindowSample& window : result.windows) {
            QCOMPARE(window.connectionID, connection);
            QCOMPARE(window.sourceVersion, sourceVersion);
        }
        for (const TokenUsageBucket& bucket : result.tokenBuckets)
            QCOMPARE(bucket.sourceVersion, sourceVersion);
        QCOMPARE(m_fixture.fake->invocations(),
                 (QList<QStringList>{{u"app-server"_s, u"--stdio"_s}, {u"--version"_s}}));
    }

    void collectionFailuresBecomeOneDiagnostic_data()
    {
        // The kind-to-diagnostic table is failureBecomesItsDiagnostic's; these are the ways a
        // collection reaches it, each carrying text that must not reach the message.
        QTest::addColumn<FakeCodexScript>("appServer");
        QTest::addColumn<QString>("code");
        FakeCodexScript handshake;
        handshake.respondResult(u"initialize"_s, QJsonObject{});
        const QString usage = line(R"({"id":3,"result":{"dailyUsageBuckets":[]}})");
        const auto after = [&handshake] {
            return FakeCodexScript(handshake).expect(u"account/usage/read"_s);
        };

        // One byte past the provider's bound.
        QTest::newRow("output limit") << FakeCodexScript(handshake).fill(1048577) << u"codex.output_limit"_s;
        QTest::newRow("no result") << after().writeRaw(line(R"({"id":2})") + usage)
                                   << u"codex.protocol_error"_s;
        QTest::newRow("malformed line")
            << FakeCodexScript().writeRaw(u"token=secret-value\n"_s) << u"codex.malformed_line"_s;
        QTest::newRow("rate limits of the wrong shape")
            << after().writeRaw(line(R"({"id":2,"result":{"rateLimits":"secret-value"}})") + usage)
            << u"codex.schema_error"_s;
    }

    void collectionFailuresBecomeOneDiagnostic()
    {
        QFETCH(FakeCodexScript, appServer);
        QFETCH(QString, code);
        QVERIFY(m_fixture.fake->set(FakeCodexCommand::appServer, appServer));
        QVERIFY(m_fixture.fake->clear(FakeCodexCommand::version));

        const ProviderCollectionResult result = QCoro::waitFor(m_fixture.provider().collect(request));
        QCOMPARE(result.provider, codexDescriptor);
        QCOMPARE(result.collectedAt, observedAt);
        QVERIFY(result.windows.isEmpty() && result.tokenBuckets.isEmpty());
        QCOMPARE(codesOf(result.diagnostics), QStringList{code});
        QCOMPARE(result.diagnostics.first().severity, DiagnosticSeverity::error);
        QVERIFY(!result.diagnostics.first().message.contains(u"secret"_s));
    }

    void failureBecomesItsDiagnostic_data()
    {
        QTest::addColumn<CodexNormalizationFailure>("failure");
        QTest::addColumn<ProviderDiagnostic>("diagnostic");
        using Kind = CodexProviderError::Kind;
        const auto row = [](const char* name, CodexNormalizationFailure failure, const QString& code,
                            const QString& message) {
            QTest::newRow(name) << failure << ::failure(code, message);
        };
        // The one-to-one cases are a table; only the variant's two sides and the fallback are logic.
        row("rpcError", CodexProviderError::rpcError(-32600), declinedRequest.code, declinedRequest.message);
        row("decoding", JsonDecodingError{}, u"codex.schema_error"_s,
            u"Codex usage data did not match the known normalized schema."_s);
        row("executableMissing", CodexProviderError(Kind::executableMissing), u"codex.collection_failed"_s,
            u"Codex usage collection failed without exposing provider output."_s);
    }

    void failureBecomesItsDiagnostic()
    {
        QFETCH(CodexNormalizationFailure, failure);
        QFETCH(ProviderDiagnostic, diagnostic);
        QCOMPARE(CodexFailureDiagnostic::of(failure), diagnostic);
    }

    void cleanupTestCase() { QTRY_VERIFY_WITH_TIMEOUT(noChildrenRemain(), reaperWaitMs); }

private:
    Fixture m_fixture;
};

QTEST_GUILESS_MAIN(TestCodexUsageProvider)
#include "TestCodexUsageProvider.moc"
