#include <UsageDomain/TokenUsageBucket.h>
#include <UsageDomain/UsageWindowSample.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

// Fixed bytes for the records' JSON, written out by hand: a key or case name renamed on both the
// writing and the reading side survives every round trip, but not these.
namespace {

const QUuid connection = QUuid::fromString(u"8C1A7C4E-2C0B-4C7B-9B7E-3F1D2A6B5C40"_s);
const SourceDescriptor source{u"codex.appServer"_s, u"Codex app server"_s, true};

UsageWindowSample fullSample()
{
    return {.id = u"w-1"_s,
            .connectionID = connection,
            .providerBucketID = u"five_hour"_s,
            .providerBucketName = u"Five-hour"_s,
            .windowKind = UsageWindowKind::fiveHour,
            .modelID = u"opus"_s,
            .observedAt = Instant::fromSecondsSinceReferenceDate(800000000.5),
            .providerFetchedAt = Instant::fromSecondsSinceReferenceDate(800000001.5),
            .durationSeconds = 18000,
            .windowStart = Instant::fromSecondsSinceReferenceDate(799996400.5),
            .windowEnd = Instant::fromSecondsSinceReferenceDate(800014400.5),
            .resetAt = Instant::fromSecondsSinceReferenceDate(800014400.5),
            .usedFraction = Decimal(42, -2),
            .remainingFraction = Decimal(58, -2),
            .absoluteUsed = Decimal(12345, -1),
            .absoluteLimit = Decimal(5000, 0),
            .unit = UsageUnit::usDollars,
            .authority = MeasurementAuthority::vendorCached,
            .confidence = MeasurementConfidence::high,
            .coverage = MeasurementCoverage::organization,
            .freshness = MeasurementFreshness::recent,
            .source = source,
            .sourceVersion = u"codex-cli 0.171.0"_s};
}

const QByteArray fullSampleBytes =
    R"({"absoluteLimit":5000,"absoluteUsed":1234.5,"authority":"vendorCached","confidence":"high",)"
    R"("connectionID":"8c1a7c4e-2c0b-4c7b-9b7e-3f1d2a6b5c40","coverage":"organization","durationSeconds":18000,)"
    R"("freshness":"recent","id":"w-1","modelID":"opus","observedAt":800000000.5,"providerBucketID":"five_hour",)"
    R"("providerBucketName":"Five-hour","providerFetchedAt":800000001.5,"remainingFraction":0.58,)"
    R"("resetAt":800014400.5,"source":{"displayName":"Codex app server","id":"codex.appServer",)"
    R"("isDocumented":true},"sourceVersion":"codex-cli 0.171.0","unit":"usDollars","usedFraction":0.42,)"
    R"("windowEnd":800014400.5,"windowKind":"fiveHour","windowStart":799996400.5})"_ba;

TokenUsageBucket fullBucket()
{
    return {.id = u"day-2026-01-01"_s,
            .connectionID = connection,
            .intervalStart = Instant::fromSecondsSinceReferenceDate(788918400),
            .intervalEnd = Instant::fromSecondsSinceReferenceDate(789004800),
            .calendarIdentifier = u"gregorian"_s,
            .timeZoneIdentifier = u"UTC"_s,
            .modelID = u"gpt-5"_s,
            .inputTokens = 1200,
            .outputTokens = 340,
            .cacheReadTokens = 5000,
            .cacheWriteTokens = 0,
            .totalTokens = 6540,
            .authority = MeasurementAuthority::locallyCalculated,
            .confidence = MeasurementConfidence::partial,
            .coverage = MeasurementCoverage::device,
            .source = source,
            .sourceVersion = u"0.171.0"_s};
}

const QByteArray fullBucketBytes =
    R"({"authority":"locallyCalculated","cacheReadTokens":5000,"cacheWriteTokens":0,)"
    R"("calendarIdentifier":"gregorian","confidence":"partial","connectionID":"8c1a7c4e-2c0b-4c7b-9b7e-3f1d2a6b5c40",)"
    R"("coverage":"device","id":"day-2026-01-01","inputTokens":1200,"intervalEnd":789004800,)"
    R"("intervalStart":788918400,"modelID":"gpt-5","outputTokens":340,"source":{"displayName":"Codex app server",)"
    R"("id":"codex.appServer","isDocumented":true},"sourceVersion":"0.171.0","timeZoneIdentifier":"UTC",)"
    R"("totalTokens":6540})"_ba;

template <typename Record> void checkBytes(const Record& record, const QByteArray& bytes)
{
    QCOMPARE(QJsonDocument(toJson(record).toObject()).toJson(QJsonDocument::Compact), bytes);
    const auto read = fromJsonBytes<Record>(bytes);
    QVERIFY(read);
    QCOMPARE(*read, record);
}

// `bytes` with one piece of text replaced; the replaced text must be there.
QByteArray replacing(const QByteArray& bytes, const QByteArray& from, const QByteArray& to)
{
    [&] { QVERIFY2(bytes.contains(from), from.constData()); }();
    return QByteArray(bytes).replace(from, to);
}

// One row per case: the full sample with `field` set to it, and its bytes with the case name.
template <typename E, typename Member>
void caseRows(Member UsageWindowSample::*field, const char* key, const char* written,
              std::initializer_list<std::pair<const char*, E>> cases)
{
    for (const auto& [name, value] : cases) {
        UsageWindowSample sample = fullSample();
        sample.*field = value;
        const QByteArray quotedKey = '"' + QByteArray(key) + "\":\"";
        QTest::addRow("%s %s", key, name)
            << sample << replacing(fullSampleBytes, quotedKey + written + '"', quotedKey + name + '"');
    }
}

} // namespace

class TestRecordBytes : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void samplesAreWrittenAndReadAsTheseBytes_data()
    {
        QTest::addColumn<UsageWindowSample>("sample");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("every field") << fullSample() << fullSampleBytes;

        UsageWindowSample minimal{.id = u"w-1"_s,
                                  .connectionID = connection,
                                  .providerBucketID = u"five_hour"_s,
                                  .windowKind = UsageWindowKind::fiveHour,
                                  .observedAt = Instant::fromSecondsSinceReferenceDate(-0.25),
                                  .source = source};
        QTest::newRow("required fields only")
            << minimal
            << R"({"authority":"vendorAuthoritative","confidence":"exact","connectionID":"8c1a7c4e-2c0b-4c7b-9b7e-3f1d2a6b5c40",)"
               R"("coverage":"account","freshness":"live","id":"w-1","observedAt":-0.25,"providerBucketID":"five_hour",)"
               R"("source":{"displayName":"Codex app server","id":"codex.appServer","isDocumented":true},)"
               R"("windowKind":"fiveHour"})"_ba;

        // Every case name of every enumeration, one row each.
        using K = UsageWindowKind;
        caseRows<K>(&UsageWindowSample::windowKind, "windowKind", "fiveHour",
                    {{"sevenDay", K::sevenDay},
                     {"modelSpecific", K::modelSpecific},
                     {"custom", K::custom},
                     {"unknown", K::unknown}});
        caseRows<UsageUnit>(&UsageWindowSample::unit, "unit", "usDollars",
                            {{"tokens", UsageUnit::tokens}, {"requests", UsageUnit::requests}});
        using A = MeasurementAuthority;
        caseRows<A>(&UsageWindowSample::authority, "authority", "vendorCached",
                    {{"vendorAuthoritative", A::vendorAuthoritative},
                     {"locallyMeasured", A::locallyMeasured},
                     {"locallyCalculated", A::locallyCalculated},
                     {"estimated", A::estimated}});
        using C = MeasurementConfidence;
        caseRows<C>(
            &UsageWindowSample::confidence, "confidence", "high",
            {{"exact", C::exact}, {"partial", C::partial}, {"low", C::low}, {"unavailable", C::unavailable}});
        using V = MeasurementCoverage;
        caseRows<V>(&UsageWindowSample::coverage, "coverage", "organization",
                    {{"account", V::account},
                     {"device", V::device},
                     {"processSession", V::processSession},
                     {"conversation", V::conversation},
                     {"unknown", V::unknown}});
        using F = MeasurementFreshness;
        caseRows<F>(&UsageWindowSample::freshness, "freshness", "recent",
                    {{"live", F::live}, {"stale", F::stale}, {"unknown", F::unknown}});
    }

    void samplesAreWrittenAndReadAsTheseBytes()
    {
        QFETCH(UsageWindowSample, sample);
        QFETCH(QByteArray, bytes);
        checkBytes(sample, bytes);
    }

    void bucketsAreWrittenAndReadAsTheseBytes_data()
    {
        QTest::addColumn<TokenUsageBucket>("bucket");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("every field") << fullBucket() << fullBucketBytes;
        TokenUsageBucket large = fullBucket();
        large.totalTokens = 9007199254740993; // 2^53 + 1: not a double
        QTest::newRow("a count past double precision")
            << large
            << replacing(fullBucketBytes, R"("totalTokens":6540)", R"("totalTokens":9007199254740993)");
        TokenUsageBucket counted = fullBucket();
        counted.modelID.reset();
        counted.inputTokens.reset();
        counted.outputTokens.reset();
        counted.cacheReadTokens.reset();
        counted.cacheWriteTokens.reset();
        counted.totalTokens.reset();
        counted.sourceVersion.reset();
        QTest::newRow("required fields only")
            << counted
            << R"({"authority":"locallyCalculated","calendarIdentifier":"gregorian","confidence":"partial",)"
               R"("connectionID":"8c1a7c4e-2c0b-4c7b-9b7e-3f1d2a6b5c40","coverage":"device","id":"day-2026-01-01",)"
               R"("intervalEnd":789004800,"intervalStart":788918400,"source":{"displayName":"Codex app server",)"
               R"("id":"codex.appServer","isDocumented":true},"timeZoneIdentifier":"UTC"})"_ba;
    }

    void bucketsAreWrittenAndReadAsTheseBytes()
    {
        QFETCH(TokenUsageBucket, bucket);
        QFETCH(QByteArray, bytes);
        checkBytes(bucket, bytes);
    }
};

QTEST_GUILESS_MAIN(TestRecordBytes)
#include "TestRecordBytes.moc"
