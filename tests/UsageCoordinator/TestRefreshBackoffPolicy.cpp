#include <UsageCoordinator/BackoffLedger.h>
#include <UsageCoordinator/RefreshBackoffPolicy.h>

#include <QTest>

#include <cmath>
#include <limits>

using namespace tallyvane;

namespace {

const Instant start = Instant::fromSecondsSince1970(1'780'000'000.0);

ProviderRefreshOutcome outcome(const QString& id, std::optional<DiagnosticSeverity> severity)
{
    ProviderRefreshOutcome result{id, {}};
    if (severity)
        result.collection.diagnostics.append(
            {*severity, QStringLiteral("test.code"), QStringLiteral("Test.")});
    return result;
}

} // namespace

class TestRefreshBackoffPolicy : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void delayGrowsToTheCeiling_data();
    void delayGrowsToTheCeiling();
    void ceilingBelowInitialDelayWins();
    void failureCountsUpFromThePreviousEntry();
    void failureCountSaturates();
    void ledgerAppliesOutcomesInOrder();
};

void TestRefreshBackoffPolicy::delayGrowsToTheCeiling_data()
{
    QTest::addColumn<qint64>("failures");
    QTest::addColumn<double>("delay");
    QTest::newRow("1") << qint64(1) << 30.0;
    QTest::newRow("2") << qint64(2) << 60.0;
    QTest::newRow("3") << qint64(3) << 120.0;
    QTest::newRow("4") << qint64(4) << 240.0;
    QTest::newRow("5") << qint64(5) << 480.0;
    QTest::newRow("6") << qint64(6) << 960.0;
    QTest::newRow("7 hits the ceiling, not 1920") << qint64(7) << 1800.0;
    QTest::newRow("100") << qint64(100) << 1800.0;
    QTest::newRow("largest count") << std::numeric_limits<qint64>::max() << 1800.0;
    QTest::newRow("zero treated as first") << qint64(0) << 30.0;
    QTest::newRow("negative treated as first") << qint64(-5) << 30.0;
}

void TestRefreshBackoffPolicy::delayGrowsToTheCeiling()
{
    QFETCH(qint64, failures);
    QFETCH(double, delay);
    QCOMPARE(RefreshBackoffPolicy::applicationDefault().delayAfter(failures), delay);
}

void TestRefreshBackoffPolicy::ceilingBelowInitialDelayWins()
{
    // With no ceiling in reach the exponent must still stop at 20, not run to infinity.
    const RefreshBackoffPolicy uncapped{1, std::numeric_limits<double>::max()};
    QCOMPARE(uncapped.delayAfter(21), 1048576.0);
    QCOMPARE(uncapped.delayAfter(1000), 1048576.0);
    QVERIFY(std::isfinite(uncapped.delayAfter(std::numeric_limits<qint64>::max())));

    const RefreshBackoffPolicy inverted{100, 10};
    QCOMPARE(inverted.delayAfter(1), 10.0);
}

void TestRefreshBackoffPolicy::failureCountsUpFromThePreviousEntry()
{
    const RefreshBackoffPolicy policy = RefreshBackoffPolicy::applicationDefault();
    const BackoffState first = policy.failed(std::nullopt, start);
    QCOMPARE(first, (BackoffState{1, start.addingSeconds(30)}));
    const Instant later = start.addingSeconds(500);
    QCOMPARE(policy.failed(first, later), (BackoffState{2, later.addingSeconds(60)}));
    QCOMPARE(policy.failed(BackoffState{99, start}, later), (BackoffState{100, later.addingSeconds(1800)}));
}

void TestRefreshBackoffPolicy::failureCountSaturates()
{
    const qint64 largest = std::numeric_limits<qint64>::max();
    const BackoffState next =
        RefreshBackoffPolicy::applicationDefault().failed(BackoffState{largest, start}, start);
    QCOMPARE(next.failureCount, largest);
    QCOMPARE(next.nextAutomaticRefreshAt, start.addingSeconds(1800));
}

void TestRefreshBackoffPolicy::ledgerAppliesOutcomesInOrder()
{
    BackoffLedger ledger;
    const QString a = QStringLiteral("a");
    const QString b = QStringLiteral("b");
    const QString skipped = QStringLiteral("skipped");
    ledger.apply({RefreshTrigger::manual,
                  start,
                  {outcome(a, DiagnosticSeverity::error), outcome(b, DiagnosticSeverity::error),
                   outcome(skipped, DiagnosticSeverity::error)},
                  {}});
    const BackoffState skippedEntry = *ledger.entry(skipped);

    const Instant later = start.addingSeconds(100);
    // Two outcomes for one id: a failure and then a success leave no entry.
    ledger.apply({RefreshTrigger::scheduled,
                  later,
                  {outcome(a, DiagnosticSeverity::error), outcome(a, DiagnosticSeverity::warning),
                   outcome(b, DiagnosticSeverity::error)},
                  {skipped}});
    QCOMPARE(ledger.entry(a), std::nullopt);
    QCOMPARE(ledger.entry(b), (BackoffState{2, later.addingSeconds(60)}));
    QCOMPARE(ledger.entry(skipped), skippedEntry);
}

QTEST_GUILESS_MAIN(TestRefreshBackoffPolicy)
#include "TestRefreshBackoffPolicy.moc"
