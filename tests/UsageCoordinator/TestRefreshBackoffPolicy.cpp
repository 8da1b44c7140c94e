#include <UsageCoordinator/BackoffLedger.h>
#include <UsageCoordinator/RefreshBackoffPolicy.h>

#include <QTest>

#include <limits>

using namespace tallyvane;

Q_DECLARE_METATYPE(RefreshBackoffPolicy)

namespace {

const Instant start = Instant::fromSecondsSince1970(1'780'000'000.0);
constexpr qint64 largest = std::numeric_limits<qint64>::max();

ProviderRefreshOutcome outcome(const QString& id, DiagnosticSeverity severity)
{
    return {id, {.diagnostics = {{severity, QStringLiteral("test.code"), QStringLiteral("Test.")}}}};
}

} // namespace

class TestRefreshBackoffPolicy : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void delayGrowsToTheCeiling_data()
    {
        QTest::addColumn<RefreshBackoffPolicy>("policy");
        QTest::addColumn<qint64>("failures");
        QTest::addColumn<double>("delay");
        const RefreshBackoffPolicy standard = RefreshBackoffPolicy::applicationDefault();
        // With no ceiling in reach the exponent must still stop at 20, not run to infinity.
        const RefreshBackoffPolicy uncapped{1, std::numeric_limits<double>::max()};
        QTest::newRow("1") << standard << qint64(1) << 30.0;
        QTest::newRow("6") << standard << qint64(6) << 960.0;
        QTest::newRow("7 hits the ceiling, not 1920") << standard << qint64(7) << 1800.0;
        QTest::newRow("largest count") << standard << largest << 1800.0;
        QTest::newRow("zero treated as first") << standard << qint64(0) << 30.0;
        QTest::newRow("negative treated as first") << standard << qint64(-5) << 30.0;
        QTest::newRow("uncapped 21") << uncapped << qint64(21) << 1048576.0;
        QTest::newRow("uncapped largest count") << uncapped << largest << 1048576.0;
        QTest::newRow("ceiling below initial delay wins")
            << RefreshBackoffPolicy{100, 10} << qint64(1) << 10.0;
    }

    void delayGrowsToTheCeiling()
    {
        QFETCH(RefreshBackoffPolicy, policy);
        QFETCH(qint64, failures);
        QFETCH(double, delay);
        QCOMPARE(policy.delayAfter(failures), delay);
    }

    void failureCountsUpFromThePreviousEntry()
    {
        const Instant later = start.addingSeconds(500); // the delay counts from this refresh
        auto failed = [later](std::optional<BackoffState> previous) {
            return RefreshBackoffPolicy::applicationDefault().failed(previous, later);
        };
        QCOMPARE(failed(std::nullopt), (BackoffState{1, later.addingSeconds(30)}));
        QCOMPARE(failed(BackoffState{1, start}), (BackoffState{2, later.addingSeconds(60)}));
        QCOMPARE(failed(BackoffState{largest, start}), (BackoffState{largest, later.addingSeconds(1800)}));
    }

    void ledgerAppliesOutcomesInOrder()
    {
        BackoffLedger ledger;
        const QString a = QStringLiteral("a"), b = QStringLiteral("b"), skipped = QStringLiteral("skipped");
        using enum DiagnosticSeverity;
        ledger.apply({RefreshTrigger::manual,
                      start,
                      {outcome(a, error), outcome(b, error), outcome(skipped, error)},
                      {}});
        const BackoffState skippedEntry = *ledger.entry(skipped);

        const Instant later = start.addingSeconds(100);
        // Two outcomes for one id: a failure and then a success leave no entry.
        ledger.apply({RefreshTrigger::scheduled,
                      later,
                      {outcome(a, error), outcome(a, warning), outcome(b, error)},
                      {skipped}});
        QCOMPARE(ledger.entry(a), std::nullopt);
        QCOMPARE(ledger.entry(b), (BackoffState{2, later.addingSeconds(60)}));
        QCOMPARE(ledger.entry(skipped), skippedEntry);
    }
};

QTEST_GUILESS_MAIN(TestRefreshBackoffPolicy)
#include "TestRefreshBackoffPolicy.moc"
