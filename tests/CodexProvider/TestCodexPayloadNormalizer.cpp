#include <CodexProvider/CodexPayloadNormalizer.h>

#include "CodexExpectations.h"

#include <QSet>
#include <QTest>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

namespace {

const QUuid& connection = codexConnection;
const Instant& observedAt = codexObservedAt;
const QString connectionText = u"3F2B8C1A-9D4E-4F6A-B7C8-0A1B2C3D4E5F"_s;
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

// A history line holding these buckets.
QByteArray history(const QByteArray& buckets)
{
    return R"({"result":{"dailyUsageBuckets":[)" + buckets + "]}}";
}

QStringList bucketIDsOf(const ProviderCollectionResult& result)
{
    QStringList ids;
    for (const UsageWindowSample& window : result.windows)
        ids.append(window.providerBucketID);
    return ids;
}

Instant utcMidnight(QDate day)
{
    return Instant::fromDateTime(QDateTime(day, QTime(0, 0), Qt::UTC));
}

const SourceDescriptor codexSource{
    .id = u"codex.appServer.experimental"_s, .displayName = u"Codex app-server"_s, .isDocumented = false};

} // namespace

Q_DECLARE_METATYPE(tallyvane::UsageWindowKind)
Q_DECLARE_METATYPE(std::optional<QByteArray>)
Q_DECLARE_METATYPE(tallyvane::CodexNormalizationFailure)

class TestCodexPayloadNormalizer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void twoWindowAnswerBecomesTwoExactSamples()
    {
        const auto result =
            CodexPayloadNormalizer::normalize(twoWindows, std::nullopt, connection, observedAt, version);
        QVERIFY(result);
        QCOMPARE(result->provider, codexDescriptor);
        QCOMPARE(result->collectedAt, observedAt);
        QVERIFY(result->tokenBuckets.isEmpty());
        QCOMPARE(codesOf(result->diagnostics), QStringList{u"codex.account_usage_unavailable"_s});
        QCOMPARE(result->diagnostics.first().severity, DiagnosticSeverity::warning);

        const UsageWindowSample primary{
            .id = connectionText + u":default.primary:1767225600"_s,
            .connectionID = connection,
            .providerBucketID = u"default.primary"_s,
            .windowKind = UsageWindowKind::fiveHour,
            .observedAt = observedAt,
            .durationSeconds = 18000,
            .resetAt = utcMidnight(QDate(2026, 1, 1)),
            .usedFraction = Decimal::fromString(u"0.42"),
            .source = codexSource,
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

    void bucketNames_data()
    {
        QTest::addColumn<QByteArray>("result");
        QTest::addColumn<QStringList>("bucketIDs");
        const auto row = [](const char* name, const QByteArray& result, const QStringList& ids) {
            QTest::newRow(name) << result << ids;
        };
        // The top level, then a map holding these two keys in this order.
        const auto byId = [](const QByteArray& first, const QByteArray& second) -> QByteArray {
            const auto entry = [](const QByteArray& key) -> QByteArray {
                return "\"" + key + '"' + R"(:{"primary":{"usedPercent":1}})";
            };
            return R"({"rateLimits":{"limitId":"top","primary":{"usedPercent":5}},"rateLimitsByLimitId":{)" +
                   (first.isEmpty() ? QByteArray() : entry(first) + ',' + entry(second)) + "}}";
        };
        const auto one = [](const QByteArray& limitId) -> QByteArray {
            return R"({"rateLimits":{)" + limitId + R"("primary":{"usedPercent":1}}})";
        };
        row("map sorted, top level ignored", byId("b", "a"), {u"a.primary"_s, u"b.primary"_s});
        row("ASCII byte order, not locale order", byId("a", "B"), {u"B.primary"_s, u"a.primary"_s});
        // UTF-16 puts the surrogate pair of U+1F600 before U+FF21; code points do not.
        row("astral after U+FF21", byId(R"(\uD83D\uDE00)", R"(\uFF21)"),
            {u"\uFF21.primary"_s, u"\U0001F600.primary"_s});
        // Decomposed "e" + U+0301 composes to U+00E9, which sorts after "f"; the raw key names it.
        row("composed before comparing", byId(R"(e\u0301)", "f"), {u"f.primary"_s, u"e\u0301.primary"_s});
        row("empty map uses top level", byId({}, {}), {u"top.primary"_s});
        row("absent id", one(""), {u"default.primary"_s});
        row("blank id", one(R"("limitId":" \t\r\n\u2028",)"), {u"default.primary"_s});
        row("padded id kept as is", one(R"("limitId":" codex ",)"), {u" codex .primary"_s});
        row("blank id in map uses key",
            R"({"rateLimits":{},"rateLimitsByLimitId":{"k":{"limitId":" ","primary":{"usedPercent":1}}}})",
            {u"k.primary"_s});
        row("id in map wins over key",
            R"({"rateLimits":{},"rateLimitsByLimitId":{"k":{"limitId":"id","primary":{"usedPercent":1}}}})",
            {u"id.primary"_s});
    }

    void bucketNames()
    {
        QFETCH(QByteArray, result);
        QFETCH(QStringList, bucketIDs);
        const auto normalizedResult = normalized(R"({"result":)" + result + "}");
        QVERIFY(normalizedResult);
        QCOMPARE(bucketIDsOf(*normalizedResult), bucketIDs);
        QCOMPARE(normalizedResult->windows.first().id,
                 connectionText + u':' + bucketIDs.first() + u":1767225600"_s);
    }

    void usedPercentOutsideRangeIsDropped_data()
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
        QTest::newRow("no windows at all") << QByteArray(R"({"result":{"rateLimits":{"limitId":"x"}}})")
                                           << QStringList{} << QStringList{none};
    }

    void usedPercentOutsideRangeIsDropped()
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
        QCOMPARE(codesOf(result->diagnostics), codes);
        QCOMPARE(containsError(result->diagnostics), codes.contains(u"codex.no_usage_windows"_s));
    }

    void windowFields_data()
    {
        QTest::addColumn<QByteArray>("fields");
        QTest::addColumn<UsageWindowKind>("kind");
        QTest::addColumn<qint64>("seconds"); // -1: absent
        QTest::addColumn<double>("resetAt"); // -1: absent
        const auto row = [](const char* name, const QByteArray& fields, UsageWindowKind kind, qint64 seconds,
                            double resetAt = -1) {
            QTest::newRow(name) << fields << kind << seconds << resetAt;
        };
        using enum UsageWindowKind;
        row("no duration", {}, unknown, -1);
        row("0 minutes", R"(,"windowDurationMins":0)", custom, -1);
        row("negative minutes", R"(,"windowDurationMins":-5)", custom, -1);
        row("1 minute", R"(,"windowDurationMins":1)", custom, 60);
        row("a year", R"(,"windowDurationMins":525600)", custom, 31536000);
        row("over a year", R"(,"windowDurationMins":525601)", custom, -1);
        row("reset at epoch", R"(,"resetsAt":0)", unknown, -1);
        row("reset before epoch", R"(,"resetsAt":-60)", unknown, -1);
        row("reset at first second", R"(,"resetsAt":1)", unknown, -1, 1);
        row("null reset", R"(,"resetsAt":null)", unknown, -1);
        row("reset in the year 9999", R"(,"resetsAt":253402300799)", unknown, -1, 253402300799.0);
        row("reset past the year 9999", R"(,"resetsAt":253402300800)", unknown, -1);
        row("reset past any date", R"(,"resetsAt":9223372036854775807)", unknown, -1);
    }

    void windowFields()
    {
        QFETCH(QByteArray, fields);
        QFETCH(UsageWindowKind, kind);
        QFETCH(qint64, seconds);
        QFETCH(double, resetAt);
        const auto result = normalized(primaryWindow(R"("usedPercent":3)" + fields));
        QVERIFY(result);
        QCOMPARE(result->windows.size(), 1);
        const UsageWindowSample& window = result->windows.first();
        QCOMPARE(window.windowKind, kind);
        QCOMPARE(window.durationSeconds, seconds < 0 ? std::nullopt : std::optional(seconds));
        QCOMPARE(window.resetAt,
                 resetAt < 0 ? std::nullopt : std::optional(Instant::fromSecondsSince1970(resetAt)));
    }

    void historyKeepsOnlyValidDays()
    {
        const auto result = normalized(twoWindows, history(R"({"startDate":"2025-03-01","tokens":1200},)"
                                                           R"({"startDate":"2025-13-40","tokens":5},)"
                                                           R"({"startDate":"2025-03-02","tokens":-1})"));
        QVERIFY(result);
        const TokenUsageBucket expected{
            .id = connectionText + u":codex.account:2025-03-01"_s,
            .connectionID = connection,
            .intervalStart = utcMidnight(QDate(2025, 3, 1)),
            .intervalEnd = utcMidnight(QDate(2025, 3, 2)),
            .calendarIdentifier = u"gregorian"_s,
            .timeZoneIdentifier = u"UTC"_s,
            .totalTokens = 1200,
            .source = codexSource,
            .sourceVersion = version,
        };
        QCOMPARE(result->tokenBuckets, QList<TokenUsageBucket>{expected});
        QCOMPARE(codesOf(result->diagnostics), QStringList(2, u"codex.invalid_history_bucket"_s));
        QCOMPARE(result->windows.size(), 2);
    }

    // The history line only ever degrades the result: the windows stay and no error is raised.
    void historyAnswer_data()
    {
        QTest::addColumn<std::optional<QByteArray>>("usage");
        QTest::addColumn<QList<QDate>>("ends"); // of the buckets kept
        QTest::addColumn<QStringList>("codes");
        const QStringList unavailable{u"codex.account_usage_unavailable"_s};
        const QStringList schema{u"codex.account_usage_schema"_s};
        const QStringList invalid{u"codex.invalid_history_bucket"_s};
        using Line = std::optional<QByteArray>;
        const auto day = [](const QString& text) {
            return Line(history(R"({"startDate":")" + text.toUtf8() + R"(","tokens":0})"));
        };
        QTest::newRow("leap day") << day(u"2024-02-29"_s) << QList{QDate(2024, 3, 1)} << QStringList{};
        QTest::newRow("year end") << day(u"2025-12-31"_s) << QList{QDate(2026, 1, 1)} << QStringList{};
        QTest::newRow("first day of the era")
            << day(u"0001-01-01"_s) << QList{QDate(1, 1, 2)} << QStringList{};
        for (const QString& text : {u"2025-02-29"_s, u"2025-3-01"_s, u"2025-03-01T00:00:00Z"_s,
                                    u" 2025-03-01"_s, u"+2025-03-01"_s, u"-2025-03-01"_s, QString()})
            QTest::addRow("rejected day '%s'", qPrintable(text)) << day(text) << QList<QDate>{} << invalid;
        QTest::newRow("duplicate days kept")
            << Line(history(R"({"startDate":"2025-03-01","tokens":1},{"startDate":"2025-03-01","tokens":2})"))
            << QList{QDate(2025, 3, 2), QDate(2025, 3, 2)} << QStringList{};
        QTest::newRow("absent") << Line() << QList<QDate>{} << unavailable;
        QTest::newRow("error envelope")
            << Line(R"({"id":3,"error":{"code":-32600,"message":"nope"}})") << QList<QDate>{} << unavailable;
        QTest::newRow("null result") << Line(R"({"id":3,"result":null})") << QList<QDate>{} << unavailable;
        QTest::newRow("buckets as string")
            << Line(R"({"result":{"dailyUsageBuckets":"many"}})") << QList<QDate>{} << schema;
        QTest::newRow("bucket without tokens")
            << Line(history(R"({"startDate":"2025-03-01"})")) << QList<QDate>{} << schema;
        QTest::newRow("not JSON") << Line("garbage") << QList<QDate>{} << schema;
        QTest::newRow("no bucket list") << Line(R"({"result":{}})") << QList<QDate>{} << QStringList{};
    }

    void historyAnswer()
    {
        QFETCH(std::optional<QByteArray>, usage);
        QFETCH(QList<QDate>, ends);
        QFETCH(QStringList, codes);
        const auto result = normalized(twoWindows, usage);
        QVERIFY(result);
        QCOMPARE(result->windows.size(), 2);
        QList<Instant> actual;
        QList<Instant> expected;
        for (const TokenUsageBucket& bucket : result->tokenBuckets)
            actual.append(bucket.intervalEnd);
        for (const QDate end : ends)
            expected.append(utcMidnight(end));
        QCOMPARE(actual, expected);
        QCOMPARE(codesOf(result->diagnostics), codes);
        QVERIFY(!containsError(result->diagnostics));
    }

    void rateLimitAnswerFailures_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<CodexNormalizationFailure>("failure");
        const auto row = [](const char* name, const QByteArray& line, CodexNormalizationFailure failure) {
            QTest::newRow(name) << line << failure;
        };
        const auto decoding = [](JsonDecodingError::Reason reason, const QString& path) {
            return CodexNormalizationFailure(JsonDecodingError{reason, path});
        };
        using enum JsonDecodingError::Reason;
        const CodexNormalizationFailure protocol = CodexProviderError::Kind::protocolError;
        row("null result", R"({"id":2,"result":null})", protocol);
        row("no result", R"({"id":2})", protocol);
        row("error beside result",
            R"({"id":2,"error":{"code":1},"result":{"rateLimits":{"primary":{"usedPercent":1}}}})", protocol);
        row("result without rateLimits", R"({"id":2,"result":{}})",
            decoding(missingKey, u"result.rateLimits"_s));
        row("fractional percent", primaryWindow(R"("usedPercent":42.5)"),
            decoding(wrongKind, u"result.rateLimits.primary.usedPercent"_s));
        row("bad map entry", R"({"result":{"rateLimits":{},"rateLimitsByLimitId":{"k":{"primary":{}}}}})",
            decoding(missingKey, u"result.rateLimitsByLimitId.k.primary.usedPercent"_s));
        row("error without code", R"({"error":{"message":"x"}})", decoding(missingKey, u"error.code"_s));
        row("not JSON", "{\"id\":2,", JsonDecodingError{});
        row("array", "[]", decoding(wrongKind, {}));
    }

    void rateLimitAnswerFailures()
    {
        QFETCH(QByteArray, line);
        QFETCH(CodexNormalizationFailure, failure);
        const auto result = normalized(line);
        QVERIFY(!result);
        QVERIFY(result.error() == failure);
    }

    void diagnosticsNeverQuoteThePayload()
    {
        // Every text the server controls carries the marker; together the runs raise every
        // diagnostic this normaliser knows.
        const QByteArray windows =
            R"({"result":{"rateLimits":{},"rateLimitsByLimitId":{"MARK-key":{"limitId":"MARK-id","limitName":"MARK-name",)"
            R"("primary":{"usedPercent":-4,"note":"MARK-extra"}}},"message":"MARK-message"}})";
        const QByteArray markedHistory =
            R"({"result":{"dailyUsageBuckets":[{"startDate":"MARK-day","tokens":1}],"message":"MARK-message"}})";
        const QMap<QString, QString> messages{
            {u"codex.invalid_used_percent"_s,
             u"A Codex allowance window was rejected because its percentage was out of range."_s},
            {u"codex.no_usage_windows"_s,
             u"Codex returned no supported usage windows; its app-server response may have changed."_s},
            {u"codex.account_usage_unavailable"_s,
             u"Codex account token history was unavailable; allowance windows were retained."_s},
            {u"codex.account_usage_schema"_s,
             u"Codex account token history did not match the known schema."_s},
            {u"codex.invalid_history_bucket"_s,
             u"A Codex history bucket was rejected because it had invalid semantics."_s},
        };
        QSet<QString> seen;
        for (const auto& usage :
             {std::optional<QByteArray>(markedHistory), std::optional<QByteArray>(R"({"result":1})"),
              std::optional<QByteArray>()}) {
            const auto result = normalized(windows, usage);
            QVERIFY(result);
            for (const ProviderDiagnostic& diagnostic : result->diagnostics) {
                QVERIFY2(!diagnostic.message.contains(u"MARK"_s), qPrintable(diagnostic.code));
                QCOMPARE(diagnostic.message, messages.value(diagnostic.code));
                QCOMPARE(diagnostic.severity, diagnostic.code == u"codex.no_usage_windows"_s
                                                  ? DiagnosticSeverity::error
                                                  : DiagnosticSeverity::warning);
                seen.insert(diagnostic.code);
            }
        }
        QCOMPARE(seen.size(), messages.size());
    }
};

QTEST_GUILESS_MAIN(TestCodexPayloadNormalizer)
#include "TestCodexPayloadNormalizer.moc"
