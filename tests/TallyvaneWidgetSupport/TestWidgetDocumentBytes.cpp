#include <TallyvaneWidgetSupport/WidgetUsageSnapshot.h>

#include <QTest>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

// The widget document's bytes, written out by hand: a widget built from an older version reads
// what this one sends, which no round trip shows.
class TestWidgetDocumentBytes : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void writtenAndReadAsTheseBytes_data()
    {
        QTest::addColumn<WidgetUsageSnapshot>("snapshot");
        QTest::addColumn<QByteArray>("bytes");
        const WidgetDate updated = WidgetDate::fromSecondsSinceReferenceDate(802'000'000.25);
        QTest::newRow("signed out and available")
            << WidgetUsageSnapshot{updated,
                                   {{WidgetProviderService::codex, WidgetProviderState::signInRequired, {}},
                                    {WidgetProviderService::claude,
                                     WidgetProviderState::available,
                                     {WidgetWindow(u"five_hour"_s, u"Five-hour"_s, 0.31,
                                                   updated.addingSeconds(5400))}}}}
            << R"({"updatedAt":802000000.25,"providers":[{"service":"codex","state":"signInRequired","windows":[]},)"
               R"({"service":"claude","state":"available","windows":[{"id":"five_hour","name":"Five-hour",)"
               R"("usedFraction":0.31,"resetAt":802005400.25}]}]})"_ba;
        QTest::newRow("unavailable, a window without a reset time")
            << WidgetUsageSnapshot{WidgetDate::fromSecondsSinceReferenceDate(-3),
                                   {{WidgetProviderService::claude,
                                     WidgetProviderState::unavailable,
                                     {WidgetWindow(u"w"_s, u"Weekly"_s, 1, std::nullopt)}}}}
            << R"({"updatedAt":-3,"providers":[{"service":"claude","state":"unavailable","windows":[)"
               R"({"id":"w","name":"Weekly","usedFraction":1}]}]})"_ba;
    }

    void writtenAndReadAsTheseBytes()
    {
        QFETCH(WidgetUsageSnapshot, snapshot);
        QFETCH(QByteArray, bytes);
        QCOMPARE(snapshot.toJsonBytes(), bytes);
        QCOMPARE(WidgetUsageSnapshot::fromJsonBytes(bytes), snapshot);
    }
};

QTEST_GUILESS_MAIN(TestWidgetDocumentBytes)
#include "TestWidgetDocumentBytes.moc"
