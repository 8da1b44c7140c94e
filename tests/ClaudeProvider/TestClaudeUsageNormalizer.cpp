#include <ClaudeProvider/ClaudeProviderIdentity.h>
#include <ClaudeProvider/ClaudeUsageNormalizer.h>

#include <QTest>

#include <cmath>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(UsageWindowKind)
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
    void readsOneFiveHourWindow_data();
    void readsOneFiveHourWindow();
    void identifiesEveryWindowByTheTable_data();
    void identifiesEveryWindowByTheTable();
    void keepsTableOrderAndRepeatsWarnings();
    void reportsNoWindows_data();
    void reportsNoWindows();
    void failsOnWrongKinds_data();
    void failsOnWrongKinds();
    void fillsEverySampleField();
};

void TestClaudeUsageNormalizer::readsOneFiveHourWindow_data()
{
    QTest::addColumn<QByteArray>("window");
    QTest::addColumn<QString>("usedFraction"); // empty: the window is rejected
    QTest::addColumn<double>("resetAt");       // NaN: no reset time
    QTest::addColumn<QStringList>("codes");

    const double none = std::nan("");
    const QStringList clean;
    const QStringList rejected{u"claude.invalid_utilization"_s, u"claude.no_usage_windows"_s};

    QTest::newRow("42 with millisecond reset")
        << R"({"utilization": 42, "resets_at": "2025-01-01T10:00:00.123Z"})"_ba
        << "0.42" << 1735725600.123 << clean;
    QTest::newRow("reset with offset, no fraction")
        << R"({"utilization": 42, "resets_at": "2025-01-01T10:00:00+00:00"})"_ba
        << "0.42" << 1735725600.0 << clean;
    QTest::newRow("reset is a word") << R"({"utilization": 42, "resets_at": "soon"})"_ba
                                     << "0.42" << none << QStringList{u"claude.invalid_reset"_s};
    QTest::newRow("reset without offset") << R"({"utilization": 42, "resets_at": "2025-01-01T10:00:00"})"_ba
                                          << "0.42" << none << QStringList{u"claude.invalid_reset"_s};
    QTest::newRow("reset null") << R"({"utilization": 42, "resets_at": null})"_ba
                                << "0.42" << none << clean;
    QTest::newRow("reset missing") << R"({"utilization": 42})"_ba
                                   << "0.42" << none << clean;
    QTest::newRow("100 is accepted") << R"({"utilization": 100})"_ba
                                     << "1" << none << clean;
    QTest::newRow("0 is accepted") << R"({"utilization": 0})"_ba
                                   << "0" << none << clean;
    QTest::newRow("42.5 is exact") << R"({"utilization": 42.5})"_ba
                                   << "0.425" << none << clean;
    QTest::newRow("0.5 is half a percent") << R"({"utilization": 0.5})"_ba
                                           << "0.005" << none << clean;
    QTest::newRow("0.1 stays exact") << R"({"utilization": 0.1})"_ba
                                     << "0.001" << none << clean;
    QTest::newRow("100.01 is rejected") << R"({"utilization": 100.01})"_ba
                                        << "" << none << rejected;
    QTest::newRow("-0.01 is rejected") << R"({"utilization": -0.01})"_ba
                                       << "" << none << rejected;
    QTest::newRow("utilization null") << R"({"utilization": null, "resets_at": "2025-01-01T10:00:00Z"})"_ba
                                      << "" << none << rejected;
    QTest::newRow("utilization missing") << R"({"resets_at": "2025-01-01T10:00:00Z"})"_ba
                                         << "" << none << rejected;
    QTest::newRow("rejected window never parses its reset")
        << R"({"utilization": 101, "resets_at": "soon"})"_ba
        << "" << none << rejected;
}

void TestClaudeUsageNormalizer::readsOneFiveHourWindow()
{
    QFETCH(QByteArray, window);
    QFETCH(QString, usedFraction);
    QFETCH(double, resetAt);
    QFETCH(QStringList, codes);

    const ProviderCollectionResult result = normalized(R"({"five_hour": )"_ba + window + '}');
    QCOMPARE(codesOf(result.diagnostics), codes);
    if (usedFraction.isEmpty()) {
        QVERIFY(result.windows.isEmpty());
        return;
    }
    QCOMPARE(result.windows.size(), 1);
    const UsageWindowSample& sample = result.windows.first();
    QVERIFY(sample.usedFraction);
    QCOMPARE(sample.usedFraction->toString(), usedFraction);
    QCOMPARE(*sample.usedFraction, *Decimal::fromString(usedFraction));
    QCOMPARE(sample.resetAt.has_value(), !std::isnan(resetAt));
    if (sample.resetAt)
        QCOMPARE(sample.resetAt->secondsSince1970(), resetAt);
}

void TestClaudeUsageNormalizer::identifiesEveryWindowByTheTable_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("name");
    QTest::addColumn<UsageWindowKind>("kind");
    QTest::addColumn<QString>("modelID"); // empty: absent
    QTest::addColumn<qint64>("duration");

    QTest::newRow("five_hour") << "five_hour"
                               << "Five-hour" << UsageWindowKind::fiveHour << "" << qint64(18000);
    QTest::newRow("seven_day") << "seven_day"
                               << "Seven-day" << UsageWindowKind::sevenDay << "" << qint64(604800);
    QTest::newRow("seven_day_oauth_apps")
        << "seven_day_oauth_apps"
        << "OAuth apps weekly" << UsageWindowKind::modelSpecific << "oauth-apps" << qint64(604800);
    QTest::newRow("seven_day_opus") << "seven_day_opus"
                                    << "Opus weekly" << UsageWindowKind::modelSpecific << "opus"
                                    << qint64(604800);
    QTest::newRow("seven_day_sonnet")
        << "seven_day_sonnet"
        << "Sonnet weekly" << UsageWindowKind::modelSpecific << "sonnet" << qint64(604800);
    QTest::newRow("seven_day_cowork")
        << "seven_day_cowork"
        << "Cowork weekly" << UsageWindowKind::modelSpecific << "cowork" << qint64(604800);
}

void TestClaudeUsageNormalizer::identifiesEveryWindowByTheTable()
{
    QFETCH(QString, key);
    QFETCH(QString, name);
    QFETCH(UsageWindowKind, kind);
    QFETCH(QString, modelID);
    QFETCH(qint64, duration);

    const ProviderCollectionResult result = normalized(
        "{\"" + key.toUtf8() + R"(": {"utilization": 10}, "seven_day_haiku": {"utilization": 5}})");
    QVERIFY(result.diagnostics.isEmpty());
    QCOMPARE(result.windows.size(), 1);
    const UsageWindowSample& sample = result.windows.first();
    QCOMPARE(sample.providerBucketID, key);
    QCOMPARE(sample.providerBucketName, std::optional<QString>(name));
    QVERIFY(sample.windowKind == kind);
    QCOMPARE(sample.modelID, modelID.isEmpty() ? std::nullopt : std::optional<QString>(modelID));
    QCOMPARE(sample.durationSeconds, std::optional<std::int64_t>(duration));
    QCOMPARE(sample.id, connectionText + u':' + key + u":1735720000");
}

void TestClaudeUsageNormalizer::keepsTableOrderAndRepeatsWarnings()
{
    // Written in neither table nor alphabetical order, with two rejected windows, one
    // unreadable reset, and keys this version does not know.
    const ProviderCollectionResult result = normalized(R"({
        "seven_day_cowork": {"utilization": 6},
        "seven_day_opus": {"utilization": 4, "resets_at": "next week"},
        "future_window": {"utilization": "n/a"},
        "five_hour": {"utilization": 1, "note": "ignored"},
        "seven_day_sonnet": {"utilization": 500},
        "seven_day": {"utilization": 2},
        "seven_day_oauth_apps": {"utilization": -3}
    })");
    QStringList order;
    for (const UsageWindowSample& sample : result.windows)
        order.append(sample.providerBucketID);
    QCOMPARE(order,
             (QStringList{u"five_hour"_s, u"seven_day"_s, u"seven_day_opus"_s, u"seven_day_cowork"_s}));
    QCOMPARE(result.diagnostics,
             (QList<ProviderDiagnostic>{invalidUtilization, invalidReset, invalidUtilization}));
    QVERIFY(!containsError(result.diagnostics));
}

void TestClaudeUsageNormalizer::reportsNoWindows_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("all six null") << R"({"five_hour": null, "seven_day": null, "seven_day_oauth_apps": null,
        "seven_day_opus": null, "seven_day_sonnet": null, "seven_day_cowork": null})"_ba;
    QTest::newRow("empty object") << "{}"_ba;
    QTest::newRow("only unknown keys") << R"({"seven_day_haiku": {"utilization": 5}})"_ba;
}

void TestClaudeUsageNormalizer::reportsNoWindows()
{
    QFETCH(QByteArray, body);
    const ProviderCollectionResult result = normalized(body);
    QVERIFY(result.windows.isEmpty());
    QCOMPARE(result.diagnostics, QList<ProviderDiagnostic>{noUsageWindows});
    QVERIFY(containsError(result.diagnostics));
    QCOMPARE(result.provider, ClaudeProviderIdentity::providerDescriptor());
    QCOMPARE(result.collectedAt.secondsSince1970(), observed.secondsSince1970());
}

void TestClaudeUsageNormalizer::failsOnWrongKinds_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<JsonDecodingError::Reason>("reason");
    QTest::addColumn<QString>("keyPath");

    using Reason = JsonDecodingError::Reason;
    QTest::newRow("utilization as string")
        << R"({"five_hour": {"utilization": "42"}})"_ba << Reason::wrongKind << "five_hour.utilization";
    QTest::newRow("reset as number") << R"({"seven_day": {"utilization": 42, "resets_at": 1735725600}})"_ba
                                     << Reason::wrongKind << "seven_day.resets_at";
    QTest::newRow("window not an object")
        << R"({"seven_day_opus": [42]})"_ba << Reason::wrongKind << "seven_day_opus";
    QTest::newRow("bad window after a good one")
        << R"({"five_hour": {"utilization": 42}, "seven_day_cowork": {"utilization": true}})"_ba
        << Reason::wrongKind << "seven_day_cowork.utilization";
    QTest::newRow("body is an array")
        << R"([{"five_hour": {"utilization": 42}}])"_ba << Reason::wrongKind << "";
    QTest::newRow("body is not JSON")
        << "<html>Service Unavailable</html>"_ba << Reason::malformedDocument << "";
    QTest::newRow("empty body") << QByteArray() << Reason::malformedDocument << "";
}

void TestClaudeUsageNormalizer::failsOnWrongKinds()
{
    QFETCH(QByteArray, body);
    QFETCH(JsonDecodingError::Reason, reason);
    QFETCH(QString, keyPath);

    const auto result = ClaudeUsageNormalizer::normalize(body, connection, observed);
    QVERIFY(!result);
    QCOMPARE(caseName(result.error().reason), caseName(reason));
    QCOMPARE(result.error().keyPath, keyPath);
}

void TestClaudeUsageNormalizer::fillsEverySampleField()
{
    const ProviderCollectionResult result = normalized(
        R"({"seven_day_opus": {"utilization": 37.5, "resets_at": "2025-01-03T09:30:00.5-01:00"}})");
    QCOMPARE(result.provider.id, u"app.tallyvane.claude.subscription"_s);
    QCOMPARE(result.provider.displayName, u"Claude"_s);
    QCOMPARE(
        result.provider.integrationNotice,
        std::optional<QString>(u"Queries the signed-in Claude account directly. The personal usage endpoint "
                               u"is not publicly documented by Anthropic."_s));
    QCOMPARE(result.collectedAt.secondsSince1970(), observed.secondsSince1970());
    QVERIFY(result.tokenBuckets.isEmpty());
    QVERIFY(result.diagnostics.isEmpty());
    QCOMPARE(result.windows.size(), 1);

    const UsageWindowSample& s = result.windows.first();
    QCOMPARE(s.id, connectionText + u":seven_day_opus:1735720000"_s);
    QCOMPARE(s.connectionID, connection);
    QCOMPARE(s.providerBucketID, u"seven_day_opus"_s);
    QCOMPARE(s.providerBucketName, std::optional<QString>(u"Opus weekly"_s));
    QVERIFY(s.windowKind == UsageWindowKind::modelSpecific);
    QCOMPARE(s.modelID, std::optional<QString>(u"opus"_s));
    QCOMPARE(s.observedAt.secondsSince1970(), observed.secondsSince1970());
    QVERIFY(s.providerFetchedAt);
    QCOMPARE(s.providerFetchedAt->secondsSince1970(), observed.secondsSince1970());
    QCOMPARE(s.durationSeconds, std::optional<std::int64_t>(604800));
    QVERIFY(!s.windowStart);
    QVERIFY(!s.windowEnd);
    QVERIFY(s.resetAt);
    QCOMPARE(s.resetAt->secondsSince1970(), 1735900200.5); // 2025-01-03T10:30:00.5Z
    QVERIFY(s.usedFraction);
    QCOMPARE(s.usedFraction->toString(), u"0.375"_s);
    QVERIFY(!s.remainingFraction);
    QVERIFY(!s.absoluteUsed);
    QVERIFY(!s.absoluteLimit);
    QVERIFY(!s.unit);
    QVERIFY(s.authority == MeasurementAuthority::vendorAuthoritative);
    QVERIFY(s.confidence == MeasurementConfidence::exact);
    QVERIFY(s.coverage == MeasurementCoverage::account);
    QVERIFY(s.freshness == MeasurementFreshness::live);
    QCOMPARE(s.source.id, u"claude.oauthUsage"_s);
    QCOMPARE(s.source.displayName, u"Claude account usage"_s);
    QCOMPARE(s.source.isDocumented, false);
    QVERIFY(!s.sourceVersion);
}

QTEST_GUILESS_MAIN(TestClaudeUsageNormalizer)
#include "TestClaudeUsageNormalizer.moc"
