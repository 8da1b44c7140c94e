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

// Authority, confidence, coverage and freshness keep their defaults.
UsageWindowSample minimalSample()
{
    return UsageWindowSample{.id = u"window-1"_s,
                             .connectionID = connection,
                             .providerBucketID = u"five_hour"_s,
                             .windowKind = UsageWindowKind::fiveHour,
                             .observedAt = Instant::fromSecondsSince1970(1'780'000'000.25),
                             .source = {u"claude.oauthUsage"_s, u"Claude account usage"_s, false}};
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
    void samplesDecode_data()
    {
        QTest::addColumn<QJsonObject>("json");
        QTest::addColumn<UsageWindowSample>("sample");
        UsageWindowSample outOfRange = minimalSample();
        outOfRange.usedFraction = Decimal::fromString(u"1.7");
        outOfRange.remainingFraction = Decimal::fromString(u"-0.1");
        QTest::newRow("fractions are not validated here") << encoded(outOfRange) << outOfRange;
        QJsonObject json = encoded(minimalSample());
        json.insert("unit"_L1, QJsonValue::Null);
        json.insert("modelID"_L1, QJsonValue::Null);
        json.insert("futureField"_L1, u"whatever"_s);
        QTest::newRow("null optionals absent, unknown key ignored") << json << minimalSample();
    }

    void samplesDecode()
    {
        QFETCH(QJsonObject, json);
        QFETCH(UsageWindowSample, sample);
        const auto decoded = fromJson<UsageWindowSample>(json);
        QVERIFY(decoded);
        QCOMPARE(*decoded, sample);
        QCOMPARE(qHash(*decoded), qHash(sample));
    }

    void decodingFailsNamingTheKey_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QJsonValue>("value"); // undefined: remove the key
        QTest::addColumn<QString>("path");
        QTest::addColumn<JsonDecodingError::Reason>("reason");
        using R = JsonDecodingError::Reason;
        const auto row = [](const char* name, const QString& key, const QJsonValue& value, R reason,
                            const QString& path = {}) {
            QTest::newRow(name) << key << value << (path.isEmpty() ? key : path) << reason;
        };
        row("missing id", u"id"_s, QJsonValue::Undefined, R::missingKey);
        row("required null", u"observedAt"_s, QJsonValue::Null, R::wrongKind);
        row("capitalised case", u"windowKind"_s, u"FiveHour"_s, R::unknownCase);
        row("unknown unit", u"unit"_s, u"euros"_s, R::unknownCase);
        row("enum as number", u"freshness"_s, 0, R::wrongKind);
        row("bad uuid", u"connectionID"_s, u"not-a-uuid"_s, R::invalidUuid);
        row("braced uuid", u"connectionID"_s, u"{8c1a7c4e-2c0b-4c7b-9b7e-3f1d2a6b5c40}"_s, R::invalidUuid);
        row("fractional integer", u"durationSeconds"_s, 1.5, R::wrongKind);
        row("decimal as string", u"usedFraction"_s, u"0.42"_s, R::wrongKind);
        row("nested key", u"source"_s, QJsonObject{{u"id"_s, u"x"_s}, {u"isDocumented"_s, true}},
            R::missingKey, u"source.displayName"_s);
        row("source not an object", u"source"_s, u"x"_s, R::wrongKind);
    }

    void decodingFailsNamingTheKey()
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

    void recordsKeyHashContainers()
    {
        UsageWindowSample later = minimalSample();
        later.observedAt = later.observedAt.addingSeconds(1);
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

    void capabilitySetOperations()
    {
        using C = ProviderCapabilities;
        const C set{C::usageWindows, C::resetTimes, C::dailyTokenTotals};
        const C other{C::resetTimes, C::accountTokenHistory};
        QCOMPARE(toJson(set), QJsonValue(19));
        QCOMPARE(set.unionWith(other).rawValue(), 23);
        QCOMPARE(set.intersection(other).rawValue(), 2);
        QCOMPARE(set.symmetricDifference(other).rawValue(), 21);
        QCOMPARE(set.subtracting(other).rawValue(), 17);
        QVERIFY(set.contains(C{C::usageWindows, C::resetTimes}));
        QVERIFY(!set.contains(other));
    }

    void capabilitiesDecodeWithinSixteenBits_data()
    {
        QTest::addColumn<QJsonValue>("json");
        QTest::addColumn<int>("raw"); // -1: rejected
        QTest::newRow("zero") << QJsonValue(0) << 0;
        QTest::newRow("several") << QJsonValue(19) << 19;
        QTest::newRow("maximum") << QJsonValue(65535) << 65535;
        QTest::newRow("one past") << QJsonValue(65536) << -1;
        QTest::newRow("negative") << QJsonValue(-1) << -1;
        QTest::newRow("fraction") << QJsonValue(1.5) << -1;
        QTest::newRow("string") << QJsonValue(u"19"_s) << -1;
    }

    void capabilitiesDecodeWithinSixteenBits()
    {
        QFETCH(QJsonValue, json);
        QFETCH(int, raw);
        const auto decoded = fromJson<ProviderCapabilities>(json);
        QCOMPARE(decoded ? int(decoded->rawValue()) : -1, raw);
    }

    void probeResultRoundTripsAndNamesNestedKeys()
    {
        const ProviderDescriptor descriptor{u"app.tallyvane.codex.subscription"_s, u"Codex"_s, std::nullopt};
        QVERIFY(!toJson(descriptor).toObject().contains("integrationNotice"_L1));
        const ProviderProbeResult probe{
            .provider = descriptor,
            .availability = ProviderAvailability::availableWithLimitations,
            .capabilities = ProviderCapabilities(7),
            .sourceVersion = u"codex-cli 0.171.0"_s,
            .diagnostics = {{DiagnosticSeverity::info, u"codex.experimental_protocol"_s, u"Info."_s},
                            {DiagnosticSeverity::warning, u"codex.other"_s, u"Warning."_s}}};
        QJsonObject json = toJson(probe).toObject();
        const ProviderProbeResult decoded = fromJson<ProviderProbeResult>(json).value();
        QCOMPARE(decoded.provider, descriptor);
        QCOMPARE(decoded.capabilities, probe.capabilities);
        QCOMPARE(decoded.diagnostics, probe.diagnostics);

        QJsonArray diagnostics = json.value("diagnostics"_L1).toArray();
        QJsonObject second = diagnostics[1].toObject();
        second.insert("severity"_L1, u"Warning"_s);
        diagnostics[1] = second;
        json.insert("diagnostics"_L1, diagnostics);
        QCOMPARE(fromJson<ProviderProbeResult>(json).error().keyPath, u"diagnostics[1].severity"_s);
    }
};

QTEST_GUILESS_MAIN(TestUsageRecords)
#include "TestUsageRecords.moc"
