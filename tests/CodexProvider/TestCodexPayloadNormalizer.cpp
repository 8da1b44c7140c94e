#include <CodexProvider/CodexPayloadNormalizer.h>

#include <QSet>
#include <QTest>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

namespace {

const QUuid connection = QUuid::fromString(u"3f2b8c1a-9d4e-4f6a-b7c8-0a1b2c3d4e5f"_s);
const QString connectionText = u"3F2B8C1A-9D4E-4F6A-B7C8-0A1B2C3D4E5F"_s;
const Instant observedAt = Instant::fromSecondsSince1970(1767225600.75);
const QString version = u"0.50.0"_s;

const QByteArray twoWindows =
    R"({"id":2,"result":{"rateLimits":{"primary":{"usedPercent":42,"windowDurationMins":300,"resetsAt":1767225600},)"
    R"("secondary":{"usedPercent":10,"windowDurationMins":10080}}}})";
const QByteArray emptyHistory = R"({"id":3,"result":{"dailyUsageBuckets":[]}})";

std::expected<ProviderCollectionResult, CodexNormalizationFailure>
normalized(const QByteArray& rateLimits, const std::optional<QByteArray>& usage = emptyHistory)
{
    return CodexPayloadNormalizer::normalize(rateLimits, usage, connection, observedAt, version);
}

// One rate-limit line whose only snapshot holds a primary window with these JSON fields.
QByteArray primaryWindow(const QByteArray& windowFields)
{
    return R"({"result":{"rateLimits":{"primary":{)" + windowFields + "}}}}";
}

QStringList codesOf(const ProviderCollectionResult& result)
{
    QStringList codes;
    for (const ProviderDiagnostic& diagnostic : result.diagnostics)
        codes.append(diagnostic.code);
    return codes;
}

QStringList bucketIDsOf(const ProviderCollectionResult& result)
{
    QStringList ids;
    for (const UsageWindowSample& window : result.windows)
        ids.append(window.providerBucketID);
    return ids;
}

SourceDescriptor codexSource()
{
    return {
        .id = u"codex.appServer.experimental"_s, .displayName = u"Codex app-server"_s, .isDocumented = false};
}

} // namespace

Q_DECLARE_METATYPE(tallyvane::UsageWindowKind)
Q_DECLARE_METATYPE(std::optional<QByteArray>)
Q_DECLARE_METATYPE(tallyvane::CodexNormalizationFailure)

class TestCodexPayloadNormalizer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void twoWindowAnswerBecomesTwoExactSamples();
    void snapshotsAreOrderedByCodePoint_data();
    void snapshotsAreOrderedByCodePoint();
    void baseNameFallsBackForBlankLimitId_data();
    void baseNameFallsBackForBlankLimitId();
    void usedPercentOutsideRangeIsDropped_data();
    void usedPercentOutsideRangeIsDropped();
    void durationDecidesKindAndSeconds_data();
    void durationDecidesKindAndSeconds();
    void resetNeedsPositiveSeconds_data();
    void resetNeedsPositiveSeconds();
    void historyKeepsOnlyValidDays();
    void historyDayMustBeStrict_data();
    void historyDayMustBeStrict();
    void usageAnswerDefectsDegrade_data();
    void usageAnswerDefectsDegrade();
    void rateLimitAnswerFailures_data();
    void rateLimitAnswerFailures();
    void diagnosticsNeverQuoteThePayload();
};

void TestCodexPayloadNormalizer::twoWindowAnswerBecomesTwoExactSamples()
{
    const auto result =
        CodexPayloadNormalizer::normalize(twoWindows, std::nullopt, connection, observedAt, version);
    QVERIFY(result);
    QCOMPARE(result->provider,
             (ProviderDescriptor{u"app.tallyvane.codex.subscription"_s, u"Codex"_s,
                                 u"Uses Codex's experimental local app-server protocol."_s}));
    QCOMPARE(result->collectedAt, observedAt);
    QVERIFY(result->tokenBuckets.isEmpty());
    QCOMPARE(codesOf(*result), QStringList{u"codex.account_usage_unavailable"_s});
    QCOMPARE(result->diagnostics.first().severity, DiagnosticSeverity::warning);

    const UsageWindowSample primary{
        .id = connectionText + u":default.primary:1767225600"_s,
        .connectionID = connection,
        .providerBucketID = u"default.primary"_s,
        .windowKind = UsageWindowKind::fiveHour,
        .observedAt = observedAt,
        .durationSeconds = 18000,
        .resetAt = Instant::fromDateTime(QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC)),
        .usedFraction = Decimal::fromString(u"0.42"),
        .source = codexSource(),
        .sourceVersion = version,
    };
    UsageWindowSample secondary = primary;
    secondary.id = connectionText + u":default.secondary:1767225600"_s;
    secondary.providerBucketID = u"default.secondary"_s;
    secondary.windowKind = UsageWindowKind::sevenDay;
    secondary.durationSeconds = 604800;
    secondary.resetAt = std::nullopt;
    secondary.usedFraction = Decimal::fromString(u"0.1");
    QCOMPARE(result->windows, (QList<UsageWindowSample>{primary, secondary}));
}

void TestCodexPayloadNormalizer::snapshotsAreOrderedByCodePoint_data()
{
    QTest::addColumn<QByteArray>("map");
    QTest::addColumn<QStringList>("bucketIDs");
    QTest::newRow("plain keys, top level ignored")
        << QByteArray(R"({"b":{"primary":{"usedPercent":1}},"a":{"primary":{"usedPercent":2}}})")
        << QStringList{u"a.primary"_s, u"b.primary"_s};
    QTest::newRow("ASCII byte order, not locale order")
        << QByteArray(R"({"a":{"primary":{"usedPercent":1}},"B":{"primary":{"usedPercent":2}}})")
        << QStringList{u"B.primary"_s, u"a.primary"_s};
    // UTF-16 puts the surrogate pair of U+1F600 before U+FF21; code points do not.
    QTest::newRow("astral after U+FF21")
        << QByteArray(
               R"({"\uD83D\uDE00":{"primary":{"usedPercent":1}},"\uFF21":{"primary":{"usedPercent":2}}})")
        << QStringList{u"\uFF21.primary"_s, u"\U0001F600.primary"_s};
    // Decomposed "e" + U+0301 composes to U+00E9, which sorts after "f"; the raw key names it.
    QTest::newRow("composed before comparing")
        << QByteArray(R"({"e\u0301":{"primary":{"usedPercent":1}},"f":{"primary":{"usedPercent":2}}})")
        << QStringList{u"f.primary"_s, u"e\u0301.primary"_s};
    QTest::newRow("empty map uses top level") << QByteArray("{}") << QStringList{u"top.primary"_s};
}

void TestCodexPayloadNormalizer::snapshotsAreOrderedByCodePoint()
{
    QFETCH(QByteArray, map);
    QFETCH(QStringList, bucketIDs);
    const auto result = normalized(
        R"({"result":{"rateLimits":{"limitId":"top","primary":{"usedPercent":5}},"rateLimitsByLimitId":)" +
        map + "}}");
    QVERIFY(result);
    QCOMPARE(bucketIDsOf(*result), bucketIDs);
}

void TestCodexPayloadNormalizer::baseNameFallsBackForBlankLimitId_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("bucketID");
    QTest::newRow("absent") << QByteArray(R"({"rateLimits":{"primary":{"usedPercent":1}}})")
                            << u"default.primary"_s;
    QTest::newRow("empty") << QByteArray(R"({"rateLimits":{"limitId":"","primary":{"usedPercent":1}}})")
                           << u"default.primary"_s;
    QTest::newRow("spaces and line breaks")
        << QByteArray(R"({"rateLimits":{"limitId":" \t\r\n\u2028","primary":{"usedPercent":1}}})")
        << u"default.primary"_s;
    QTest::newRow("padded id kept as is")
        << QByteArray(R"({"rateLimits":{"limitId":" codex ","primary":{"usedPercent":1}}})")
        << u" codex .primary"_s;
    QTest::newRow("blank id in map uses key")
        << QByteArray(
               R"({"rateLimits":{},"rateLimitsByLimitId":{"k":{"limitId":" ","primary":{"usedPercent":1}}}})")
        << u"k.primary"_s;
    QTest::newRow("id in map wins over key")
        << QByteArray(
               R"({"rateLimits":{},"rateLimitsByLimitId":{"k":{"limitId":"id","primary":{"usedPercent":1}}}})")
        << u"id.primary"_s;
}

void TestCodexPayloadNormalizer::baseNameFallsBackForBlankLimitId()
{
    QFETCH(QByteArray, payload);
    QFETCH(QString, bucketID);
    const auto result = normalized(R"({"result":)" + payload + "}");
    QVERIFY(result);
    QCOMPARE(bucketIDsOf(*result), QStringList{bucketID});
    QCOMPARE(result->windows.first().id, connectionText + u':' + bucketID + u":1767225600"_s);
}

void TestCodexPayloadNormalizer::usedPercentOutsideRangeIsDropped_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QStringList>("fractions");
    QTest::addColumn<QStringList>("codes");
    const QString invalid = u"codex.invalid_used_percent"_s;
    const QString none = u"codex.no_usage_windows"_s;
    QTest::newRow("0") << primaryWindow(R"("usedPercent":0)") << QStringList{u"0"_s} << QStringList{};
    QTest::newRow("100") << primaryWindow(R"("usedPercent":100)") << QStringList{u"1"_s} << QStringList{};
    QTest::newRow("101") << primaryWindow(R"("usedPercent":101)") << QStringList{}
                         << QStringList{invalid, none};
    QTest::newRow("-1") << primaryWindow(R"("usedPercent":-1)") << QStringList{}
                        << QStringList{invalid, none};
    QTest::newRow("one of two")
        << QByteArray(
               R"({"result":{"rateLimits":{"primary":{"usedPercent":300},"secondary":{"usedPercent":7}}}})")
        << QStringList{u"0.07"_s} << QStringList{invalid};
    QTest::newRow("no windows at all")
        << QByteArray(R"({"result":{"rateLimits":{"limitId":"x"}}})") << QStringList{} << QStringList{none};
}

void TestCodexPayloadNormalizer::usedPercentOutsideRangeIsDropped()
{
    QFETCH(QByteArray, payload);
    QFETCH(QStringList, fractions);
    QFETCH(QStringList, codes);
    const auto result = normalized(payload);
    QVERIFY(result);
    QStringList actual;
    for (const UsageWindowSample& window : result->windows)
        actual.append(window.usedFraction->toString());
    QCOMPARE(actual, fractions);
    QCOMPARE(codesOf(*result), codes);
    QCOMPARE(containsError(result->diagnostics), codes.contains(u"codex.no_usage_windows"_s));
}

void TestCodexPayloadNormalizer::durationDecidesKindAndSeconds_data()
{
    QTest::addColumn<QByteArray>("fields");
    QTest::addColumn<UsageWindowKind>("kind");
    QTest::addColumn<qint64>("seconds"); // -1: absent
    QTest::newRow("absent") << QByteArray() << UsageWindowKind::unknown << qint64(-1);
    QTest::newRow("0") << QByteArray(R"(,"windowDurationMins":0)") << UsageWindowKind::custom << qint64(-1);
    QTest::newRow("negative") << QByteArray(R"(,"windowDurationMins":-5)") << UsageWindowKind::custom
                              << qint64(-1);
    QTest::newRow("1") << QByteArray(R"(,"windowDurationMins":1)") << UsageWindowKind::custom << qint64(60);
    QTest::newRow("300") << QByteArray(R"(,"windowDurationMins":300)") << UsageWindowKind::fiveHour
                         << qint64(18000);
    QTest::newRow("10080") << QByteArray(R"(,"windowDurationMins":10080)") << UsageWindowKind::sevenDay
                           << qint64(604800);
    QTest::newRow("525600") << QByteArray(R"(,"windowDurationMins":525600)") << UsageWindowKind::custom
                            << qint64(31536000);
    QTest::newRow("525601") << QByteArray(R"(,"windowDurationMins":525601)") << UsageWindowKind::custom
                            << qint64(-1);
}

void TestCodexPayloadNormalizer::durationDecidesKindAndSeconds()
{
    QFETCH(QByteArray, fields);
    QFETCH(UsageWindowKind, kind);
    QFETCH(qint64, seconds);
    const auto result = normalized(primaryWindow(R"("usedPercent":3)" + fields));
    QVERIFY(result);
    QCOMPARE(result->windows.size(), 1);
    QCOMPARE(result->windows.first().windowKind, kind);
    QCOMPARE(result->windows.first().durationSeconds, seconds < 0 ? std::nullopt : std::optional(seconds));
}

void TestCodexPayloadNormalizer::resetNeedsPositiveSeconds_data()
{
    QTest::addColumn<QByteArray>("fields");
    QTest::addColumn<double>("resetAt"); // -1: absent
    QTest::newRow("absent") << QByteArray() << -1.0;
    QTest::newRow("epoch") << QByteArray(R"(,"resetsAt":0)") << -1.0;
    QTest::newRow("before epoch") << QByteArray(R"(,"resetsAt":-60)") << -1.0;
    QTest::newRow("first second") << QByteArray(R"(,"resetsAt":1)") << 1.0;
    QTest::newRow("null") << QByteArray(R"(,"resetsAt":null)") << -1.0;
}

void TestCodexPayloadNormalizer::resetNeedsPositiveSeconds()
{
    QFETCH(QByteArray, fields);
    QFETCH(double, resetAt);
    const auto result = normalized(primaryWindow(R"("usedPercent":3)" + fields));
    QVERIFY(result);
    QCOMPARE(result->windows.first().resetAt,
             resetAt < 0 ? std::nullopt : std::optional(Instant::fromSecondsSince1970(resetAt)));
}

void TestCodexPayloadNormalizer::historyKeepsOnlyValidDays()
{
    const auto result = normalized(twoWindows, R"({"id":3,"result":{"dailyUsageBuckets":[)"
                                               R"({"startDate":"2025-03-01","tokens":1200},)"
                                               R"({"startDate":"2025-13-40","tokens":5},)"
                                               R"({"startDate":"2025-03-02","tokens":-1}]}})");
    QVERIFY(result);
    const TokenUsageBucket expected{
        .id = connectionText + u":codex.account:2025-03-01"_s,
        .connectionID = connection,
        .intervalStart = Instant::fromDateTime(QDateTime(QDate(2025, 3, 1), QTime(0, 0), Qt::UTC)),
        .intervalEnd = Instant::fromDateTime(QDateTime(QDate(2025, 3, 2), QTime(0, 0), Qt::UTC)),
        .calendarIdentifier = u"gregorian"_s,
        .timeZoneIdentifier = u"UTC"_s,
        .totalTokens = 1200,
        .source = codexSource(),
        .sourceVersion = version,
    };
    QCOMPARE(result->tokenBuckets, QList<TokenUsageBucket>{expected});
    QCOMPARE(codesOf(*result), QStringList(2, u"codex.invalid_history_bucket"_s));
    QCOMPARE(result->windows.size(), 2);
}

void TestCodexPayloadNormalizer::historyDayMustBeStrict_data()
{
    QTest::addColumn<QString>("day");
    QTest::addColumn<QDate>("end"); // invalid: rejected
    QTest::newRow("leap day") << u"2024-02-29"_s << QDate(2024, 3, 1);
    QTest::newRow("year end") << u"2025-12-31"_s << QDate(2026, 1, 1);
    QTest::newRow("no leap day") << u"2025-02-29"_s << QDate();
    QTest::newRow("short month") << u"2025-3-01"_s << QDate();
    QTest::newRow("with time") << u"2025-03-01T00:00:00Z"_s << QDate();
    QTest::newRow("leading space") << u" 2025-03-01"_s << QDate();
    QTest::newRow("plus sign") << u"+2025-03-01"_s << QDate();
    QTest::newRow("negative year") << u"-2025-03-01"_s << QDate();
    QTest::newRow("first day of the era") << u"0001-01-01"_s << QDate(1, 1, 2);
    QTest::newRow("empty") << QString() << QDate();
}

void TestCodexPayloadNormalizer::historyDayMustBeStrict()
{
    QFETCH(QString, day);
    QFETCH(QDate, end);
    const auto result = normalized(twoWindows, R"({"result":{"dailyUsageBuckets":[{"startDate":")" +
                                                   day.toUtf8() + R"(","tokens":0}]}})");
    QVERIFY(result);
    if (!end.isValid()) {
        QVERIFY(result->tokenBuckets.isEmpty());
        QCOMPARE(codesOf(*result), QStringList{u"codex.invalid_history_bucket"_s});
        return;
    }
    QCOMPARE(result->tokenBuckets.size(), 1);
    QCOMPARE(result->tokenBuckets.first().intervalEnd,
             Instant::fromDateTime(QDateTime(end, QTime(0, 0), Qt::UTC)));
    QVERIFY(result->diagnostics.isEmpty());
}

void TestCodexPayloadNormalizer::usageAnswerDefectsDegrade_data()
{
    QTest::addColumn<std::optional<QByteArray>>("usage");
    QTest::addColumn<int>("buckets");
    QTest::addColumn<QStringList>("codes");
    const QStringList unavailable{u"codex.account_usage_unavailable"_s};
    const QStringList schema{u"codex.account_usage_schema"_s};
    using Line = std::optional<QByteArray>;
    QTest::newRow("absent") << Line() << 0 << unavailable;
    QTest::newRow("error envelope") << Line(R"({"id":3,"error":{"code":-32600,"message":"nope"}})") << 0
                                    << unavailable;
    QTest::newRow("null result") << Line(R"({"id":3,"result":null})") << 0 << unavailable;
    QTest::newRow("buckets as string") << Line(R"({"result":{"dailyUsageBuckets":"many"}})") << 0 << schema;
    QTest::newRow("bucket without tokens")
        << Line(R"({"result":{"dailyUsageBuckets":[{"startDate":"2025-03-01"}]}})") << 0 << schema;
    QTest::newRow("not JSON") << Line("garbage") << 0 << schema;
    QTest::newRow("no bucket list") << Line(R"({"result":{}})") << 0 << QStringList{};
    QTest::newRow("duplicate days kept")
        << Line(R"({"result":{"dailyUsageBuckets":[{"startDate":"2025-03-01","tokens":1},)"
                R"({"startDate":"2025-03-01","tokens":2}]}})")
        << 2 << QStringList{};
}

void TestCodexPayloadNormalizer::usageAnswerDefectsDegrade()
{
    QFETCH(std::optional<QByteArray>, usage);
    QFETCH(int, buckets);
    QFETCH(QStringList, codes);
    const auto result = normalized(twoWindows, usage);
    QVERIFY(result);
    QCOMPARE(result->windows.size(), 2);
    QCOMPARE(result->tokenBuckets.size(), buckets);
    QCOMPARE(codesOf(*result), codes);
    QVERIFY(!containsError(result->diagnostics));
}

void TestCodexPayloadNormalizer::rateLimitAnswerFailures_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<CodexNormalizationFailure>("failure");
    using Reason = JsonDecodingError::Reason;
    const CodexNormalizationFailure protocol = CodexProviderError::Kind::protocolError;
    QTest::newRow("null result") << QByteArray(R"({"id":2,"result":null})") << protocol;
    QTest::newRow("no result") << QByteArray(R"({"id":2})") << protocol;
    QTest::newRow("error beside result")
        << QByteArray(R"({"id":2,"error":{"code":1},"result":{"rateLimits":{"primary":{"usedPercent":1}}}})")
        << protocol;
    QTest::newRow("result without rateLimits")
        << QByteArray(R"({"id":2,"result":{}})")
        << CodexNormalizationFailure(JsonDecodingError{Reason::missingKey, u"result.rateLimits"_s});
    QTest::newRow("fractional percent")
        << primaryWindow(R"("usedPercent":42.5)")
        << CodexNormalizationFailure(
               JsonDecodingError{Reason::wrongKind, u"result.rateLimits.primary.usedPercent"_s});
    QTest::newRow("bad map entry")
        << QByteArray(R"({"result":{"rateLimits":{},"rateLimitsByLimitId":{"k":{"primary":{}}}}})")
        << CodexNormalizationFailure(
               JsonDecodingError{Reason::missingKey, u"result.rateLimitsByLimitId.k.primary.usedPercent"_s});
    QTest::newRow("error without code")
        << QByteArray(R"({"error":{"message":"x"}})")
        << CodexNormalizationFailure(JsonDecodingError{Reason::missingKey, u"error.code"_s});
    QTest::newRow("not JSON") << QByteArray("{\"id\":2,") << CodexNormalizationFailure(JsonDecodingError{});
    QTest::newRow("array") << QByteArray("[]")
                           << CodexNormalizationFailure(JsonDecodingError{Reason::wrongKind, {}});
}

void TestCodexPayloadNormalizer::rateLimitAnswerFailures()
{
    QFETCH(QByteArray, line);
    QFETCH(CodexNormalizationFailure, failure);
    const auto result = normalized(line);
    QVERIFY(!result);
    QVERIFY(result.error() == failure);
}

void TestCodexPayloadNormalizer::diagnosticsNeverQuoteThePayload()
{
    // Every text the server controls carries the marker; together the two runs raise every
    // diagnostic this normaliser knows.
    const QByteArray windows =
        R"({"result":{"rateLimits":{},"rateLimitsByLimitId":{"MARK-key":{"limitId":"MARK-id","limitName":"MARK-name",)"
        R"("primary":{"usedPercent":-4,"note":"MARK-extra"}}},"message":"MARK-message"}})";
    const QByteArray history =
        R"({"result":{"dailyUsageBuckets":[{"startDate":"MARK-day","tokens":1}],"message":"MARK-message"}})";
    const QMap<QString, QString> messages{
        {u"codex.invalid_used_percent"_s,
         u"A Codex allowance window was rejected because its percentage was out of range."_s},
        {u"codex.no_usage_windows"_s,
         u"Codex returned no supported usage windows; its app-server response may have changed."_s},
        {u"codex.account_usage_unavailable"_s,
         u"Codex account token history was unavailable; allowance windows were retained."_s},
        {u"codex.account_usage_schema"_s, u"Codex account token history did not match the known schema."_s},
        {u"codex.invalid_history_bucket"_s,
         u"A Codex history bucket was rejected because it had invalid semantics."_s},
    };
    QList<ProviderDiagnostic> diagnostics;
    for (const auto& usage : {std::optional<QByteArray>(history),
                              std::optional<QByteArray>(R"({"result":1})"), std::optional<QByteArray>()}) {
        const auto result = normalized(windows, usage);
        QVERIFY(result);
        diagnostics += result->diagnostics;
    }
    QSet<QString> seen;
    for (const ProviderDiagnostic& diagnostic : diagnostics) {
        QVERIFY2(!diagnostic.message.contains(u"MARK"_s), qPrintable(diagnostic.code));
        QCOMPARE(diagnostic.message, messages.value(diagnostic.code));
        QCOMPARE(diagnostic.severity, diagnostic.code == u"codex.no_usage_windows"_s
                                          ? DiagnosticSeverity::error
                                          : DiagnosticSeverity::warning);
        seen.insert(diagnostic.code);
    }
    QCOMPARE(seen.size(), messages.size());
}

QTEST_GUILESS_MAIN(TestCodexPayloadNormalizer)
#include "TestCodexPayloadNormalizer.moc"
