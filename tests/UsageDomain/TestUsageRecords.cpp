#include <UsageDomain/ProviderCapabilities.h>
#include <UsageDomain/ProviderDescriptor.h>
#include <UsageDomain/ProviderDiagnostic.h>
#include <UsageDomain/ProviderProbeResult.h>
#include <UsageDomain/TokenUsageBucket.h>
#include <UsageDomain/UsageWindowSample.h>

#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <unordered_set>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

namespace {

const QUuid connection = QUuid::fromString(u"8C1A7C4E-2C0B-4C7B-9B7E-3F1D2A6B5C40"_s);

UsageWindowSample minimalSample()
{
    return UsageWindowSample{
        .id = u"window-1"_s,
        .connectionID = connection,
        .providerBucketID = u"five_hour"_s,
        .windowKind = UsageWindowKind::fiveHour,
        .observedAt = Instant::fromSecondsSince1970(1'780'000'000.25),
        .authority = MeasurementAuthority::vendorAuthoritative,
        .confidence = MeasurementConfidence::exact,
        .coverage = MeasurementCoverage::account,
        .freshness = MeasurementFreshness::live,
        .source = {u"claude.oauthUsage"_s, u"Claude account usage"_s, false},
    };
}

UsageWindowSample fullSample()
{
    UsageWindowSample sample = minimalSample();
    sample.providerBucketName = u"Five-hour"_s;
    sample.modelID = u"opus"_s;
    sample.providerFetchedAt = sample.observedAt.addingSeconds(1.5);
    sample.durationSeconds = 18000;
    sample.windowStart = sample.observedAt.addingSeconds(-3600);
    sample.windowEnd = sample.observedAt.addingSeconds(14400);
    sample.resetAt = sample.windowEnd;
    sample.usedFraction = Decimal::fromString(u"0.42");
    sample.remainingFraction = Decimal::fromString(u"0.58");
    sample.absoluteUsed = Decimal::fromString(u"1234.5");
    sample.absoluteLimit = Decimal::fromString(u"5000");
    sample.unit = UsageUnit::usDollars;
    sample.sourceVersion = u"codex-cli 0.171.0"_s;
    return sample;
}

QJsonObject encoded(const UsageWindowSample& sample)
{
    // Through text, as any consumer would see it.
    return QJsonDocument::fromJson(QJsonDocument(toJson(sample).toObject()).toJson()).object();
}

} // namespace

class TestUsageRecords : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void minimalSampleHasExactlyTheRequiredKeys();
    void samplesRoundTrip_data();
    void samplesRoundTrip();
    void instantsAreWrittenAsReferenceDateSeconds();
    void nullOptionalMeansAbsent();
    void decodingFailsNamingTheKey_data();
    void decodingFailsNamingTheKey();
    void unknownKeysAreIgnored();
    void bucketWithoutCountsRoundTrips();
    void recordsKeyHashContainers();
    void capabilitySetOperations();
    void capabilitiesDecodeWithinSixteenBits_data();
    void capabilitiesDecodeWithinSixteenBits();
    void probeResultRoundTripsAndNamesNestedKeys();
    void onlyAnErrorCountsAsFailure();
};

void TestUsageRecords::minimalSampleHasExactlyTheRequiredKeys()
{
    QStringList keys = encoded(minimalSample()).keys();
    keys.sort();
    QStringList expected{u"id"_s,         u"connectionID"_s, u"providerBucketID"_s, u"windowKind"_s,
                         u"observedAt"_s, u"authority"_s,    u"confidence"_s,       u"coverage"_s,
                         u"freshness"_s,  u"source"_s};
    expected.sort();
    QCOMPARE(keys, expected);
    QCOMPARE(encoded(minimalSample()).value("connectionID"_L1).toString(),
             u"8c1a7c4e-2c0b-4c7b-9b7e-3f1d2a6b5c40"_s);
}

void TestUsageRecords::samplesRoundTrip_data()
{
    QTest::addColumn<UsageWindowSample>("sample");
    QTest::newRow("minimal") << minimalSample();
    QTest::newRow("every field") << fullSample();
    UsageWindowSample outOfRange = minimalSample();
    outOfRange.usedFraction = Decimal::fromString(u"1.7");
    outOfRange.remainingFraction = Decimal::fromString(u"-0.1");
    QTest::newRow("fractions are not validated here") << outOfRange;
}

void TestUsageRecords::samplesRoundTrip()
{
    QFETCH(UsageWindowSample, sample);
    const auto decoded = fromJson<UsageWindowSample>(encoded(sample));
    QVERIFY(decoded);
    QCOMPARE(*decoded, sample);
    QCOMPARE(qHash(*decoded), qHash(sample));
}

void TestUsageRecords::instantsAreWrittenAsReferenceDateSeconds()
{
    UsageWindowSample sample = minimalSample();
    sample.observedAt = Instant::fromSecondsSince1970(978'307'200.0 + 86400.5);
    QCOMPARE(encoded(sample).value("observedAt"_L1).toDouble(), 86400.5);
    const QByteArray text = QJsonDocument(toJson(fullSample()).toObject()).toJson(QJsonDocument::Compact);
    QVERIFY2(text.contains("\"usedFraction\":0.42"), text.constData());
}

void TestUsageRecords::nullOptionalMeansAbsent()
{
    QJsonObject json = encoded(fullSample());
    json.insert("unit"_L1, QJsonValue::Null);
    json.insert("modelID"_L1, QJsonValue::Null);
    json.remove("resetAt"_L1);
    const auto decoded = fromJson<UsageWindowSample>(json);
    QVERIFY(decoded);
    QVERIFY(!decoded->unit);
    QVERIFY(!decoded->modelID);
    QVERIFY(!decoded->resetAt);
    QCOMPARE(decoded->usedFraction, fullSample().usedFraction);
}

void TestUsageRecords::decodingFailsNamingTheKey_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QJsonValue>("value"); // undefined: remove the key
    QTest::addColumn<QString>("path");
    QTest::addColumn<JsonDecodingError::Reason>("reason");
    using R = JsonDecodingError::Reason;
    QTest::newRow("missing id") << u"id"_s << QJsonValue(QJsonValue::Undefined) << u"id"_s << R::missingKey;
    QTest::newRow("required null") << u"observedAt"_s << QJsonValue(QJsonValue::Null) << u"observedAt"_s
                                   << R::wrongKind;
    QTest::newRow("capitalised case")
        << u"windowKind"_s << QJsonValue(u"FiveHour"_s) << u"windowKind"_s << R::unknownCase;
    QTest::newRow("snake case") << u"windowKind"_s << QJsonValue(u"five_hour"_s) << u"windowKind"_s
                                << R::unknownCase;
    QTest::newRow("unknown unit") << u"unit"_s << QJsonValue(u"euros"_s) << u"unit"_s << R::unknownCase;
    QTest::newRow("enum as number") << u"freshness"_s << QJsonValue(0) << u"freshness"_s << R::wrongKind;
    QTest::newRow("bad uuid") << u"connectionID"_s << QJsonValue(u"not-a-uuid"_s) << u"connectionID"_s
                              << R::invalidUuid;
    QTest::newRow("braced uuid") << u"connectionID"_s
                                 << QJsonValue(u"{8c1a7c4e-2c0b-4c7b-9b7e-3f1d2a6b5c40}"_s)
                                 << u"connectionID"_s << R::invalidUuid;
    QTest::newRow("fractional integer")
        << u"durationSeconds"_s << QJsonValue(1.5) << u"durationSeconds"_s << R::wrongKind;
    QTest::newRow("decimal as string")
        << u"usedFraction"_s << QJsonValue(u"0.42"_s) << u"usedFraction"_s << R::wrongKind;
    QTest::newRow("nested key") << u"source"_s
                                << QJsonValue(QJsonObject{{u"id"_s, u"x"_s}, {u"isDocumented"_s, true}})
                                << u"source.displayName"_s << R::missingKey;
    QTest::newRow("source not an object") << u"source"_s << QJsonValue(u"x"_s) << u"source"_s << R::wrongKind;
}

void TestUsageRecords::decodingFailsNamingTheKey()
{
    QFETCH(QString, key);
    QFETCH(QJsonValue, value);
    QFETCH(QString, path);
    QFETCH(JsonDecodingError::Reason, reason);
    QJsonObject json = encoded(fullSample());
    if (value.isUndefined())
        json.remove(key);
    else
        json.insert(key, value);
    const auto decoded = fromJson<UsageWindowSample>(json);
    QVERIFY(!decoded);
    QCOMPARE(decoded.error().keyPath, path);
    QCOMPARE(decoded.error().reason, reason);
}

void TestUsageRecords::unknownKeysAreIgnored()
{
    QJsonObject json = encoded(minimalSample());
    json.insert("futureField"_L1, u"whatever"_s);
    QCOMPARE(fromJson<UsageWindowSample>(json).value(), minimalSample());
    QVERIFY(!fromJsonBytes<UsageWindowSample>("{\"id\": ").has_value());
}

void TestUsageRecords::bucketWithoutCountsRoundTrips()
{
    const TokenUsageBucket bucket{
        .id = u"day"_s,
        .connectionID = connection,
        .intervalStart = Instant::fromSecondsSince1970(1'767'225'600),
        .intervalEnd = Instant::fromSecondsSince1970(1'767'312'000),
        .calendarIdentifier = u"gregorian"_s,
        .timeZoneIdentifier = u"UTC"_s,
        .source = {u"codex.appServer.experimental"_s, u"Codex app-server"_s, false},
    };
    const QJsonObject json = toJson(bucket).toObject();
    QVERIFY(!json.contains("totalTokens"_L1));
    QVERIFY(!json.contains("freshness"_L1));
    QCOMPARE(fromJson<TokenUsageBucket>(json).value(), bucket);

    TokenUsageBucket counted = bucket;
    counted.totalTokens = 9'007'199'254'740'993; // above 2^53: must stay exact
    const QByteArray text = QJsonDocument(toJson(counted).toObject()).toJson();
    QCOMPARE(fromJsonBytes<TokenUsageBucket>(text).value().totalTokens, counted.totalTokens);
}

void TestUsageRecords::recordsKeyHashContainers()
{
    UsageWindowSample later = minimalSample();
    later.observedAt = later.observedAt.addingSeconds(1);
    QVERIFY(later != minimalSample());
    QVERIFY(qHash(later) != qHash(minimalSample()));

    QHash<UsageWindowSample, int> qtHash{{minimalSample(), 1}, {later, 2}, {fullSample(), 3}};
    std::unordered_set<UsageWindowSample> stdSet{minimalSample(), later, fullSample(), minimalSample()};
    QCOMPARE(qtHash.size(), 3);
    QCOMPARE(stdSet.size(), 3u);
    QCOMPARE(qtHash.value(later), 2);

    UsageWindowSample trailingZeros = fullSample();
    trailingZeros.usedFraction = Decimal(4200, -4);
    QCOMPARE(trailingZeros, fullSample());
    QCOMPARE(qHash(trailingZeros), qHash(fullSample()));
}

void TestUsageRecords::capabilitySetOperations()
{
    const ProviderCapabilities set{ProviderCapabilities::usageWindows, ProviderCapabilities::resetTimes,
                                   ProviderCapabilities::dailyTokenTotals};
    QCOMPARE(set.rawValue(), 19);
    QCOMPARE(toJson(set), QJsonValue(19));
    const ProviderCapabilities decoded = fromJson<ProviderCapabilities>(QJsonValue(19)).value();
    QVERIFY(decoded.contains(ProviderCapabilities::usageWindows));
    QVERIFY(decoded.contains(ProviderCapabilities::dailyTokenTotals));
    QVERIFY(!decoded.contains(ProviderCapabilities::accountTokenHistory));

    ProviderCapabilities empty;
    QVERIFY(empty.isEmpty());
    empty.insert(ProviderCapabilities::usageWindows);
    empty.insert(ProviderCapabilities::usageWindows);
    QCOMPARE(empty.rawValue(), 1);

    const ProviderCapabilities other{ProviderCapabilities::resetTimes,
                                     ProviderCapabilities::accountTokenHistory};
    QCOMPARE(set.unionWith(other).rawValue(), 23);
    QCOMPARE(set.intersection(other).rawValue(), 2);
    QCOMPARE(set.symmetricDifference(other).rawValue(), 21);
    QCOMPARE(set.subtracting(other).rawValue(), 17);
    QVERIFY(set.contains(
        ProviderCapabilities{ProviderCapabilities::usageWindows, ProviderCapabilities::resetTimes}));
    QVERIFY(!set.contains(other));
}

void TestUsageRecords::capabilitiesDecodeWithinSixteenBits_data()
{
    QTest::addColumn<QJsonValue>("json");
    QTest::addColumn<bool>("valid");
    QTest::newRow("zero") << QJsonValue(0) << true;
    QTest::newRow("maximum") << QJsonValue(65535) << true;
    QTest::newRow("one past") << QJsonValue(65536) << false;
    QTest::newRow("negative") << QJsonValue(-1) << false;
    QTest::newRow("fraction") << QJsonValue(1.5) << false;
    QTest::newRow("string") << QJsonValue(u"19"_s) << false;
}

void TestUsageRecords::capabilitiesDecodeWithinSixteenBits()
{
    QFETCH(QJsonValue, json);
    QFETCH(bool, valid);
    QCOMPARE(fromJson<ProviderCapabilities>(json).has_value(), valid);
}

void TestUsageRecords::probeResultRoundTripsAndNamesNestedKeys()
{
    const ProviderDescriptor descriptor{u"app.tallyvane.codex.subscription"_s, u"Codex"_s, std::nullopt};
    const QJsonObject descriptorJson = toJson(descriptor).toObject();
    QVERIFY(!descriptorJson.contains("integrationNotice"_L1));
    QCOMPARE(fromJson<ProviderDescriptor>(descriptorJson).value(), descriptor);

    const ProviderProbeResult probe{
        .provider = descriptor,
        .availability = ProviderAvailability::availableWithLimitations,
        .capabilities = ProviderCapabilities(7),
        .sourceVersion = u"codex-cli 0.171.0"_s,
        .diagnostics = {{DiagnosticSeverity::info, u"codex.experimental_protocol"_s, u"Info."_s},
                        {DiagnosticSeverity::warning, u"codex.other"_s, u"Warning."_s}},
    };
    QJsonObject json = toJson(probe).toObject();
    const auto decoded = fromJson<ProviderProbeResult>(json);
    QVERIFY(decoded);
    QCOMPARE(decoded->provider, descriptor);
    QCOMPARE(decoded->capabilities.rawValue(), 7);
    QCOMPARE(decoded->diagnostics, probe.diagnostics);

    QJsonArray diagnostics = json.value("diagnostics"_L1).toArray();
    QJsonObject second = diagnostics[1].toObject();
    second.insert("severity"_L1, u"Warning"_s);
    diagnostics[1] = second;
    json.insert("diagnostics"_L1, diagnostics);
    QCOMPARE(fromJson<ProviderProbeResult>(json).error().keyPath, u"diagnostics[1].severity"_s);
}

void TestUsageRecords::onlyAnErrorCountsAsFailure()
{
    QList<ProviderDiagnostic> diagnostics{{DiagnosticSeverity::warning, u"claude.a"_s, u"A."_s},
                                          {DiagnosticSeverity::info, u"claude.b"_s, u"B."_s}};
    QVERIFY(!containsError(diagnostics));
    diagnostics.append({DiagnosticSeverity::error, u"claude.c"_s, u"C."_s});
    QVERIFY(containsError(diagnostics));
}

QTEST_GUILESS_MAIN(TestUsageRecords)
#include "TestUsageRecords.moc"
