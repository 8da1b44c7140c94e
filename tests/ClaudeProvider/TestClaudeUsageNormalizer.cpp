#include <ClaudeProvider/ClaudeUsageNormalizer.h>

#include <QTest>

#include <cmath>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(JsonDecodingError::Reason)

namespace {

const QUuid connection = QUuid::fromString(u"6f1c2b3a-4d5e-4f60-8a7b-9c0d1e2f3a4b"_s);
const QString connectionText = u"6F1C2B3A-4D5E-4F60-8A7B-9C0D1E2F3A4B"_s;
// A fraction past the half: the sample ids must truncate, not round.
constexpr Instant observed = Instant::fromSecondsSince1970(1735720000.75);

ProviderCollectionResult normalized(const QByteArray& body)
{
    auto result = ClaudeUsageNormalizer::normalize(body, connection, observed);
    if (!result)
        qFatal("body did not decode");
    return *result;
}

QStringList codesOf(const QList<ProviderDiagnostic>& diagnostics)
{
    QStringList codes;
    for (const ProviderDiagnostic& diagnostic : diagnostics)
        codes.append(diagnostic.code);
    return codes;
}

const ProviderDiagnostic invalidUtilization{
    DiagnosticSeverity::warning, u"claude.invalid_utilization"_s,
    u"A Claude usage window was rejected because its percentage was out of range."_s};
const ProviderDiagnostic invalidReset{DiagnosticSeverity::warning, u"claude.invalid_reset"_s,
                                      u"A Claude reset timestamp did not match the known schema."_s};
const ProviderDiagnostic noUsageWindows{
    DiagnosticSeverity::error, u"claude.no_usage_windows"_s,
    u"Claude returned no supported usage windows; its account response may have changed."_s};

} // namespace

class TestClaudeUsageNormalizer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsOneFiveHourWindow_data()
    {
        QTest::addColumn<QByteArray>("window");
        QTest::addColumn<QString>("usedFraction"); // empty: the window is rejected
        QTest::addColumn<double>("resetAt");       // NaN: no reset time
        QTest::addColumn<QStringList>("codes");
        const double none = std::nan("");
        const QStringList rejected{u"claude.invalid_utilization"_s, u"claude.no_usage_windows"_s};
        const QStringList badReset{u"claude.invalid_reset"_s};
        const auto row = [](const char* name, const char* window, const char* used, double reset,
                            const QStringList& codes = {}) {
            QTest::newRow(name) << QByteArray(window) << QString::fromUtf8(used) << reset << codes;
        };
        row("42, reset with ms", R"({"utilization": 42, "resets_at": "2025-01-01T10:00:00.123Z"})", "0.42",
            1735725600.123);
        row("reset is a word", R"({"utilization": 42, "resets_at": "soon"})", "0.42", none, badReset);
        row("reset null", R"({"utilization": 42, "resets_at": null})", "0.42", none);
        row("reset missing", R"({"utilization": 42})", "0.42", none);
        row("100 is accepted", R"({"utilization": 100})", "1", none);
        row("0 is accepted", R"({"utilization": 0})", "0", none);
        row("0.1 stays exact", R"({"utilization": 0.1})", "0.001", none);
        row("100.01 is rejected", R"({"utilization": 100.01})", "", none, rejected);
        row("-0.01 is rejected", R"({"utilization": -0.01})", "", none, rejected);
        row("utilization null", R"({"utilization": null, "resets_at": "2025-01-01T10:00:00Z"})", "", none,
            rejected);
        row("utilization missing", R"({"resets_at": "2025-01-01T10:00:00Z"})", "", none, rejected);
        row("rejected window never parses its reset", R"({"utilization": 101, "resets_at": "soon"})", "",
            none, rejected);
    }

    void readsOneFiveHourWindow()
    {
        QFETCH(QByteArray, window);
        QFETCH(QString, usedFraction);
        QFETCH(double, resetAt);
        QFETCH(QStringList, codes);
        const ProviderCollectionResult result = normalized("{\"five_hour\": "_ba + window + '}');
        QCOMPARE(codesOf(result.diagnostics), codes);
        QCOMPARE(result.windows.size(), usedFraction.isEmpty() ? 0 : 1);
        if (result.windows.isEmpty())
            return;
        const UsageWindowSample& sample = result.windows.first();
        QCOMPARE(sample.usedFraction.value().toString(), usedFraction);
        QCOMPARE(sample.resetAt.has_value(), !std::isnan(resetAt));
        if (sample.resetAt)
            QCOMPARE(sample.resetAt->secondsSince1970(), resetAt);
    }

    // Every known key, written out of order and next to one this version does not know.
    void identifiesEveryWindowByTheTable()
    {
        const ProviderCollectionResult result = normalized(R"({"seven_day_cowork": {"utilization": 6},
            "seven_day_haiku": {"utilization": 5}, "seven_day_sonnet": {"utilization": 5},
            "seven_day_opus": {"utilization": 4}, "seven_day": {"utilization": 2},
            "seven_day_oauth_apps": {"utilization": 3}, "five_hour": {"utilization": 1}})");
        QVERIFY(result.diagnostics.isEmpty());
        QStringList rows;
        for (const UsageWindowSample& w : result.windows) {
            QCOMPARE(w.id, connectionText + u':' + w.providerBucketID + u":1735720000");
            rows << QStringList{w.providerBucketID, w.providerBucketName.value_or(u"-"_s),
                                caseName(w.windowKind), w.modelID.value_or(u"-"_s),
                                QString::number(w.durationSeconds.value_or(-1))}
                        .join(u'|');
        }
        QCOMPARE(rows,
                 (QStringList{u"five_hour|Five-hour|fiveHour|-|18000"_s,
                              u"seven_day|Seven-day|sevenDay|-|604800"_s,
                              u"seven_day_oauth_apps|OAuth apps weekly|modelSpecific|oauth-apps|604800"_s,
                              u"seven_day_opus|Opus weekly|modelSpecific|opus|604800"_s,
                              u"seven_day_sonnet|Sonnet weekly|modelSpecific|sonnet|604800"_s,
                              u"seven_day_cowork|Cowork weekly|modelSpecific|cowork|604800"_s}));
    }

    void diagnosticsFollowTheTable_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("windows");
        QTest::addColumn<QList<ProviderDiagnostic>>("diagnostics");
        // Written in neither table nor alphabetical order, with two rejected windows, one
        // unreadable reset (its window stays), and keys this version does not know.
        QTest::newRow("warnings repeat in table order") << R"({
            "seven_day_cowork": {"utilization": 6},
            "seven_day_opus": {"utilization": 4, "resets_at": "next week"},
            "future_window": {"utilization": "n/a"},
            "five_hour": {"utilization": 1, "note": "ignored"},
            "seven_day_sonnet": {"utilization": 500},
            "seven_day": {"utilization": 2},
            "seven_day_oauth_apps": {"utilization": -3}
        })"_ba << 4 << QList{invalidUtilization, invalidReset, invalidUtilization};
        const QList<ProviderDiagnostic> none{noUsageWindows};
        QTest::newRow("all six null")
            << R"({"five_hour": null, "seven_day": null, "seven_day_oauth_apps": null,
            "seven_day_opus": null, "seven_day_sonnet": null, "seven_day_cowork": null})"_ba
            << 0 << none;
        QTest::newRow("only unknown keys") << R"({"seven_day_haiku": {"utilization": 5}})"_ba << 0 << none;
    }

    void diagnosticsFollowTheTable()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, windows);
        QFETCH(QList<ProviderDiagnostic>, diagnostics);
        const ProviderCollectionResult result = normalized(body);
        QCOMPARE(result.windows.size(), windows);
        QCOMPARE(result.diagnostics, diagnostics);
    }

    void failsOnWrongKinds_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<JsonDecodingError::Reason>("reason");
        QTest::addColumn<QString>("keyPath");
        const auto row = [](const char* name, const QByteArray& body, JsonDecodingError::Reason reason,
                            const char* keyPath) {
            QTest::newRow(name) << body << reason << QString::fromUtf8(keyPath);
        };
        using enum JsonDecodingError::Reason;
        row("utilization as string", R"({"five_hour": {"utilization": "42"}})", wrongKind,
            "five_hour.utilization");
        row("reset as number", R"({"seven_day": {"utilization": 42, "resets_at": 1735725600}})", wrongKind,
            "seven_day.resets_at");
        row("window not an object", R"({"seven_day_opus": [42]})", wrongKind, "seven_day_opus");
        row("bad window after a good one",
            R"({"five_hour": {"utilization": 42}, "seven_day_cowork": {"utilization": true}})", wrongKind,
            "seven_day_cowork.utilization");
        row("body is an array", R"([{"five_hour": {"utilization": 42}}])", wrongKind, "");
        row("body is not JSON", "<html>Service Unavailable</html>", malformedDocument, "");
    }

    void failsOnWrongKinds()
    {
        QFETCH(QByteArray, body);
        QFETCH(JsonDecodingError::Reason, reason);
        QFETCH(QString, keyPath);
        const auto result = ClaudeUsageNormalizer::normalize(body, connection, observed);
        QVERIFY(!result);
        QCOMPARE(caseName(result.error().reason), caseName(reason));
        QCOMPARE(result.error().keyPath, keyPath);
    }

    void fillsEverySampleField()
    {
        const ProviderCollectionResult result = normalized(
            R"({"seven_day_opus": {"utilization": 37.5, "resets_at": "2025-01-03T09:30:00.5-01:00"}})");
        QCOMPARE(result.provider,
                 (ProviderDescriptor{u"app.tallyvane.claude.subscription"_s, u"Claude"_s,
                                     u"Queries the signed-in Claude account directly. The personal usage "
                                     u"endpoint is not publicly documented by Anthropic."_s}));
        QCOMPARE(result.collectedAt, observed);
        QVERIFY(result.tokenBuckets.isEmpty() && result.diagnostics.isEmpty());
        // Authority, confidence, coverage and freshness are the defaults: account-wide, exact, live.
        const UsageWindowSample expected{
            .id = connectionText + u":seven_day_opus:1735720000"_s,
            .connectionID = connection,
            .providerBucketID = u"seven_day_opus"_s,
            .providerBucketName = u"Opus weekly"_s,
            .windowKind = UsageWindowKind::modelSpecific,
            .modelID = u"opus"_s,
            .observedAt = observed,
            .providerFetchedAt = observed,
            .durationSeconds = 604800,
            .resetAt = Instant::fromSecondsSince1970(1735900200.5), // 2025-01-03T10:30:00.5Z
            .usedFraction = Decimal::fromString(u"0.375"),
            .source = {u"claude.oauthUsage"_s, u"Claude account usage"_s, false}};
        QCOMPARE(result.windows, QList<UsageWindowSample>{expected});
    }
};

QTEST_GUILESS_MAIN(TestClaudeUsageNormalizer)
#include "TestClaudeUsageNormalizer.moc"
