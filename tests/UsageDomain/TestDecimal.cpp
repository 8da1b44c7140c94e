#include <UsageDomain/Decimal.h>
#include <UsageDomain/JsonValue.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace tallyvane;

class TestDecimal : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void roundTripsThroughJson_data();
    void roundTripsThroughJson();
    void parsesText_data();
    void parsesText();
    void dividesByHundredExactly();
    void trailingZerosAreEqualAndHashAlike();
    void ordersByValue_data();
    void ordersByValue();
};

void TestDecimal::roundTripsThroughJson_data()
{
    QTest::addColumn<QString>("literal");
    QTest::newRow("0.42") << "0.42";
    QTest::newRow("0.1") << "0.1";
    QTest::newRow("negative") << "-0.1";
    QTest::newRow("above one") << "1.7";
    QTest::newRow("15 digits") << "0.123456789012345";
    QTest::newRow("integer") << "1800";
    QTest::newRow("tiny") << "0.000001";
    QTest::newRow("zero") << "0";
}

void TestDecimal::roundTripsThroughJson()
{
    QFETCH(QString, literal);
    const auto value = Decimal::fromString(literal);
    QVERIFY(value);
    const QByteArray document = QJsonDocument(QJsonObject{{QStringLiteral("v"), toJson(*value)}}).toJson();
    const QJsonValue reread = QJsonDocument::fromJson(document).object().value(QStringLiteral("v"));
    const auto decoded = fromJson<Decimal>(reread);
    QVERIFY(decoded);
    QCOMPARE(*decoded, *value);
    QCOMPARE(decoded->toString(), literal);
}

void TestDecimal::parsesText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("plain");
    QTest::newRow("scientific") << "4.25E+2" << true << "425";
    QTest::newRow("negative exponent") << "-1e-3" << true << "-0.001";
    QTest::newRow("trailing zeros beyond 18 digits")
        << "100000000000000000000000" << true << "100000000000000000000000";
    QTest::newRow("leading zeros") << "000.5" << true << "0.5";
    QTest::newRow("19 significant digits") << "1234567890123456789" << false << "";
    QTest::newRow("empty") << "" << false << "";
    QTest::newRow("lone point") << "." << false << "";
    QTest::newRow("two points") << "1.2.3" << false << "";
    QTest::newRow("dangling exponent") << "1e" << false << "";
    QTest::newRow("huge exponent") << "1e999999999999" << false << "";
    QTest::newRow("text") << "nan" << false << "";
}

void TestDecimal::parsesText()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QString, plain);
    const auto value = Decimal::fromString(text);
    QCOMPARE(value.has_value(), valid);
    if (valid)
        QCOMPARE(value->toString(), plain);
}

void TestDecimal::dividesByHundredExactly()
{
    const Decimal value = Decimal::fromString(u"42.5")->scaledByPowerOfTen(-2);
    QCOMPARE(value, *Decimal::fromString(u"0.425"));
    QCOMPARE(value.toString(), QStringLiteral("0.425"));
    QCOMPARE(value.toDouble(), 0.425);
    QVERIFY(!Decimal::fromDouble(std::numeric_limits<double>::infinity()));
}

void TestDecimal::trailingZerosAreEqualAndHashAlike()
{
    const Decimal a = *Decimal::fromString(u"0.50");
    const Decimal b = *Decimal::fromString(u"0.5");
    const Decimal c(5000, -4);
    QCOMPARE(a, b);
    QCOMPARE(b, c);
    QCOMPARE(qHash(a), qHash(b));
    QCOMPARE(qHash(b), qHash(c));
    QCOMPARE(Decimal(0, 7), Decimal());
}

void TestDecimal::ordersByValue_data()
{
    QTest::addColumn<QString>("lower");
    QTest::addColumn<QString>("higher");
    QTest::newRow("fractions") << "0.75"
                               << "0.92";
    QTest::newRow("different magnitudes") << "0.999"
                                          << "1";
    QTest::newRow("negatives") << "-2"
                               << "-1.5";
    QTest::newRow("sign") << "-0.001"
                          << "0";
    QTest::newRow("same magnitude, long mantissa") << "0.123456789012345678"
                                                   << "0.123456789012345679";
    QTest::newRow("large exponent gap") << "1e-300"
                                        << "1e300";
}

void TestDecimal::ordersByValue()
{
    QFETCH(QString, lower);
    QFETCH(QString, higher);
    const Decimal low = *Decimal::fromString(lower);
    const Decimal high = *Decimal::fromString(higher);
    QVERIFY(low < high);
    QVERIFY(high > low);
    QVERIFY(low != high);
}

QTEST_GUILESS_MAIN(TestDecimal)
#include "TestDecimal.moc"
