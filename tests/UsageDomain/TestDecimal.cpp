#include <UsageDomain/Decimal.h>
#include <UsageDomain/JsonValue.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace tallyvane;

static void addRow(const char* name, const char* first, const char* second)
{
    QTest::newRow(name) << QString::fromUtf8(first) << QString::fromUtf8(second);
}

class TestDecimal : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parsesAndRoundTripsThroughJson_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("plain"); // empty: rejected
        addRow("15 digits", "0.123456789012345", "0.123456789012345");
        addRow("integer", "1800", "1800");
        addRow("tiny", "0.000001", "0.000001");
        addRow("zero", "0", "0");
        addRow("scientific", "4.25E+2", "425");
        addRow("negative exponent", "-1e-3", "-0.001");
        addRow("leading zeros", "000.5", "0.5");
        addRow("trailing zeros beyond 18 digits", "100000000000000000000000", "100000000000000000000000");
        addRow("19 significant digits", "1234567890123456789", "");
        addRow("empty", "", "");
        addRow("lone point", ".", "");
        addRow("two points", "1.2.3", "");
        addRow("dangling exponent", "1e", "");
        addRow("huge exponent", "1e999999999999", "");
        addRow("text", "nan", "");
    }

    void parsesAndRoundTripsThroughJson()
    {
        QFETCH(QString, text);
        QFETCH(QString, plain);
        const auto value = Decimal::fromString(text);
        QCOMPARE(value.has_value(), !plain.isEmpty());
        if (!value)
            return;
        QCOMPARE(value->toString(), plain);
        const QByteArray document =
            QJsonDocument(QJsonObject{{QStringLiteral("v"), toJson(*value)}}).toJson();
        const auto decoded =
            fromJson<Decimal>(QJsonDocument::fromJson(document).object().value(QStringLiteral("v")));
        QVERIFY(decoded);
        QCOMPARE(decoded->toString(), plain);
    }

    void equalValuesCompareAndHashAlike()
    {
        const Decimal divided = Decimal::fromString(u"42.5")->scaledByPowerOfTen(-2);
        QCOMPARE(divided, *Decimal::fromString(u"0.425"));
        QCOMPARE(divided.toDouble(), 0.425);
        // Past the double range: infinities, never a finite stand-in.
        QCOMPARE(Decimal(7, 400).toDouble(), std::numeric_limits<double>::infinity());
        QCOMPARE(Decimal(-7, 400).toDouble(), -std::numeric_limits<double>::infinity());
        QCOMPARE(Decimal(7, -400).toDouble(), 0.0);
        QVERIFY(!Decimal::fromDouble(std::numeric_limits<double>::infinity()));
        // Trailing zeros change neither equality nor the hash.
        const Decimal a = *Decimal::fromString(u"0.50");
        QCOMPARE(a, Decimal(5000, -4));
        QCOMPARE(qHash(a), qHash(Decimal(5, -1)));
        QCOMPARE(Decimal(0, 7), Decimal());
    }

    void ordersByValue_data()
    {
        QTest::addColumn<QString>("lower");
        QTest::addColumn<QString>("higher");
        addRow("different magnitudes", "0.999", "1");
        addRow("negatives", "-2", "-1.5");
        addRow("sign", "-0.001", "0");
        addRow("same magnitude, long mantissa", "0.123456789012345678", "0.123456789012345679");
        addRow("large exponent gap", "1e-300", "1e300");
        // Aligned, these need ten or more digits: the counting of digits decides them.
        addRow("aligned digits reach ten", "100", "100.01");
        addRow("just below a power of ten", "99.99", "100");
        addRow("ten nines against ten digits", "9999999999", "1e10");
        addRow("one past a power of ten", "1e10", "10000000001");
    }

    void ordersByValue()
    {
        QFETCH(QString, lower);
        QFETCH(QString, higher);
        const Decimal low = *Decimal::fromString(lower);
        const Decimal high = *Decimal::fromString(higher);
        QVERIFY(low < high && high > low && low != high);
    }
};

QTEST_GUILESS_MAIN(TestDecimal)
#include "TestDecimal.moc"
