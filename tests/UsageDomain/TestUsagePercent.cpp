#include <UsageDomain/UsagePercent.h>

#include <QTest>

#include <cmath>
#include <limits>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

class TestUsagePercent : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The decimal as a provider sent it; the same value after a trip through a double (the
    // widget document, the alert sample) must round alike.
    void roundsHalvesAwayFromZeroOnTheDigits_data()
    {
        QTest::addColumn<QString>("fraction");
        QTest::addColumn<qint64>("used");
        QTest::addColumn<qint64>("remaining");
        QTest::newRow("14.5") << u"0.145"_s << qint64(15) << qint64(86);
        QTest::newRow("57.5") << u"0.575"_s << qint64(58) << qint64(43);
        QTest::newRow("12.5, an even neighbour below") << u"0.125"_s << qint64(13) << qint64(88);
        QTest::newRow("just below a half") << u"0.14499"_s << qint64(14) << qint64(86);
        QTest::newRow("just above a half") << u"0.14501"_s << qint64(15) << qint64(85);
        QTest::newRow("whole") << u"0.42"_s << qint64(42) << qint64(58);
        QTest::newRow("nothing used") << u"0"_s << qint64(0) << qint64(100);
        QTest::newRow("exhausted") << u"1"_s << qint64(100) << qint64(0);
        QTest::newRow("over-full: remaining never below 0") << u"1.005"_s << qint64(101) << qint64(0);
        QTest::newRow("negative half") << u"-0.005"_s << qint64(-1) << qint64(101);
        QTest::newRow("beyond the mantissa's digits") << u"1e-20"_s << qint64(0) << qint64(100);
    }

    void roundsHalvesAwayFromZeroOnTheDigits()
    {
        QFETCH(QString, fraction);
        QFETCH(qint64, used);
        QFETCH(qint64, remaining);
        const Decimal exact = *Decimal::fromString(fraction);
        QCOMPARE(UsagePercent::used(exact), used);
        QCOMPARE(UsagePercent::remaining(exact), remaining);
        QCOMPARE(UsagePercent::used(exact.toDouble()), std::optional(used));
        QCOMPARE(UsagePercent::remaining(exact.toDouble()), std::optional(remaining));
    }

    void doublesWithoutAValue()
    {
        QCOMPARE(UsagePercent::used(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
        QCOMPARE(UsagePercent::remaining(std::numeric_limits<double>::infinity()), std::nullopt);
        QVERIFY(UsagePercent::used(1e300).value_or(0) > 0); // saturates instead of overflowing
    }

    // One share from the other, exactly: 1 - 0.675 in doubles is 0.32499999999999996.
    void complementsAreExact_data()
    {
        QTest::addColumn<std::optional<Decimal>>("usedFraction");
        QTest::addColumn<std::optional<Decimal>>("remainingFraction");
        QTest::addColumn<std::optional<Decimal>>("used");
        QTest::addColumn<std::optional<Decimal>>("remaining");
        const auto d = [](const char16_t* text) { return Decimal::fromString(QStringView(text)); };
        QTest::newRow("remaining only")
            << std::optional<Decimal>() << d(u"0.675") << d(u"0.325") << d(u"0.675");
        QTest::newRow("used only") << d(u"0.145") << std::optional<Decimal>() << d(u"0.145") << d(u"0.855");
        QTest::newRow("both kept as sent") << d(u"0.2") << d(u"0.7") << d(u"0.2") << d(u"0.7");
        QTest::newRow("whole numbers") << d(u"1") << std::optional<Decimal>() << d(u"1") << d(u"0");
        QTest::newRow("eighteen places") << d(u"0.123456789012345678") << std::optional<Decimal>()
                                         << d(u"0.123456789012345678") << d(u"0.876543210987654322");
        QTest::newRow("neither") << std::optional<Decimal>() << std::optional<Decimal>()
                                 << std::optional<Decimal>() << std::optional<Decimal>();
    }

    void complementsAreExact()
    {
        QFETCH(std::optional<Decimal>, usedFraction);
        QFETCH(std::optional<Decimal>, remainingFraction);
        QFETCH(std::optional<Decimal>, used);
        QFETCH(std::optional<Decimal>, remaining);
        const UsageWindowSample window{.usedFraction = usedFraction, .remainingFraction = remainingFraction};
        QCOMPARE(UsagePercent::usedFraction(window), used);
        QCOMPARE(UsagePercent::remainingFraction(window), remaining);
    }
};

QTEST_GUILESS_MAIN(TestUsagePercent)
#include "TestUsagePercent.moc"
