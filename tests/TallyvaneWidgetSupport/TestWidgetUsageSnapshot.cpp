#include <TallyvaneWidgetSupport/WidgetUsageSnapshot.h>

#include <QTest>

#include <limits>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

class TestWidgetUsageSnapshot : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The ordinary document's bytes are pinned by TestWidgetDocumentBytes; this is what a fixed
    // vector does not reach: escapes and the shortest digits that read back the same double.
    void roundTripKeepsEveryValue()
    {
        WidgetUsageSnapshot snapshot{.updatedAt = WidgetDate::fromSecondsSinceReferenceDate(-1.000001),
                                     .providers = {}};
        WidgetWindow window(u"q\"\\/\n\t\x01"_s, u"Wöchentlich ✓"_s, 0.1 + 0.2,
                            WidgetDate().addingSeconds(1e-7));
        snapshot.providers = {
            {WidgetProviderService::claude, WidgetProviderState::unavailable, {window, window}}};
        const std::optional<QByteArray> bytes = snapshot.toJsonBytes();
        QVERIFY(bytes);
        const std::optional<WidgetUsageSnapshot> decoded = WidgetUsageSnapshot::fromJsonBytes(*bytes);
        QCOMPARE(decoded, snapshot);
        QCOMPARE(qHash(*decoded), qHash(snapshot));
    }

    void decoding_data()
    {
        QTest::addColumn<QByteArray>("window");
        QTest::addColumn<QByteArray>("providerFields");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<double>("fraction");
        QTest::addColumn<bool>("hasReset");
        const QByteArray known = R"("service":"claude","state":"available")"_ba;
        const QByteArray plain = R"({"id":"w","name":"Weekly","usedFraction":0.5,"resetAt":60.5})"_ba;
        QTest::newRow("unknown service")
            << plain << R"("service":"gemini","state":"available")"_ba << false << 0.0 << false;
        QTest::newRow("service letter case")
            << plain << R"("service":"Claude","state":"available")"_ba << false << 0.0 << false;
        QTest::newRow("resetAt missing")
            << R"({"id":"w","name":"W","usedFraction":0.5})"_ba << known << true << 0.5 << false;
        QTest::newRow("resetAt null") << R"({"id":"w","name":"W","usedFraction":0.5,"resetAt":null})"_ba
                                      << known << true << 0.5 << false;
        QTest::newRow("resetAt text") << R"({"id":"w","name":"W","usedFraction":0.5,"resetAt":"soon"})"_ba
                                      << known << false << 0.0 << false;
        QTest::newRow("fraction above one kept")
            << R"({"resetAt":1,"x":[],"usedFraction":1.7,"name":"W","id":"w"})"_ba << known << true << 1.7
            << true;
        QTest::newRow("fraction missing") << R"({"id":"w","name":"W"})"_ba << known << false << 0.0 << false;
    }

    void decoding()
    {
        QFETCH(QByteArray, window);
        QFETCH(QByteArray, providerFields);
        QFETCH(bool, accepted);
        const QByteArray document =
            R"({"providers":[{"service":"codex","state":"available","windows":[]},{)"_ba + providerFields +
            R"(,"windows":[)"_ba + window + R"(]}],"updatedAt":3,"v":2})"_ba;
        const std::optional<WidgetUsageSnapshot> decoded = WidgetUsageSnapshot::fromJsonBytes(document);
        QCOMPARE(decoded.has_value(), accepted);
        if (!accepted)
            return;
        const WidgetWindow& decodedWindow = decoded->providers.at(1).windows.at(0);
        QTEST(decodedWindow.usedFraction, "fraction");
        QTEST(decodedWindow.resetAt.has_value(), "hasReset");
    }

    void constructorClampsFraction_data()
    {
        QTest::addColumn<double>("given");
        QTest::addColumn<double>("held");
        QTest::newRow("above one") << 1.7 << 1.0;
        QTest::newRow("below zero") << -0.2 << 0.0;
        QTest::newRow("inside") << 0.42 << 0.42;
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << 1.0;
    }

    void constructorClampsFraction()
    {
        QFETCH(double, given);
        QTEST(WidgetWindow(u"w"_s, u"W"_s, given, std::nullopt).usedFraction, "held");
    }

    void nonFiniteNumbersFailToEncode_data()
    {
        QTest::addColumn<double>("fraction");
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity();
    }

    void nonFiniteNumbersFailToEncode()
    {
        QFETCH(double, fraction);
        WidgetWindow window(u"w"_s, u"W"_s, 0.5, std::nullopt);
        window.usedFraction = fraction;
        const WidgetUsageSnapshot snapshot{
            {}, {{WidgetProviderService::codex, WidgetProviderState::available, {window}}}};
        QCOMPARE(snapshot.toJsonBytes(), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestWidgetUsageSnapshot)
#include "TestWidgetUsageSnapshot.moc"
