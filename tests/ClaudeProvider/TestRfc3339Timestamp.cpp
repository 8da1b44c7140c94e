#include <ClaudeProvider/Rfc3339Timestamp.h>

#include <QTest>

#include <cmath>

using namespace tallyvane;

// 2025-01-01T10:00:00Z
constexpr double tenOClock = 1735725600.0;
const double rejected = std::nan("");

class TestRfc3339Timestamp : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parsesOnlyInternetDateTimes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("secondsSince1970"); // NaN: rejected
        QTest::newRow("UTC") << "2025-01-01T10:00:00Z" << tenOClock;
        QTest::newRow("milliseconds") << "2025-01-01T10:00:00.123Z" << 1735725600.123;
        QTest::newRow("one fraction digit") << "2025-01-01T10:00:00.5Z" << 1735725600.5;
        QTest::newRow("nanoseconds") << "2025-01-01T10:00:00.123456789Z" << 1735725600.123456789;
        QTest::newRow("positive offset") << "2025-01-01T11:30:00+01:30" << tenOClock;
        QTest::newRow("negative offset") << "2025-01-01T05:00:00-05:00" << tenOClock;
        QTest::newRow("offset crossing the date") << "2024-12-31T23:00:00-11:00" << tenOClock;
        QTest::newRow("fraction and offset") << "2025-01-01T12:00:00.250+02:00" << 1735725600.25;
        QTest::newRow("leap day") << "2024-02-29T00:00:00Z" << 1709164800.0;
        QTest::newRow("before the epoch with fraction") << "1969-12-31T23:59:59.25Z" << -0.75;

        QTest::newRow("empty") << "" << rejected;
        QTest::newRow("missing offset") << "2025-01-01T10:00:00" << rejected;
        QTest::newRow("missing offset with fraction") << "2025-01-01T10:00:00.123" << rejected;
        QTest::newRow("lower-case t") << "2025-01-01t10:00:00Z" << rejected;
        QTest::newRow("trailing text") << "2025-01-01T10:00:00Z later" << rejected;
        QTest::newRow("trailing after offset") << "2025-01-01T10:00:00+01:000" << rejected;
        QTest::newRow("no seconds") << "2025-01-01T10:00Z" << rejected;
        QTest::newRow("basic date") << "20250101T10:00:00Z" << rejected;
        QTest::newRow("one-digit month") << "2025-1-01T10:00:00Z" << rejected;
        QTest::newRow("month 13") << "2025-13-01T10:00:00Z" << rejected;
        QTest::newRow("day 0") << "2025-01-00T10:00:00Z" << rejected;
        QTest::newRow("February 30") << "2024-02-30T10:00:00Z" << rejected;
        QTest::newRow("February 29 of a common year") << "2023-02-29T10:00:00Z" << rejected;
        QTest::newRow("April 31") << "2025-04-31T10:00:00Z" << rejected;
        QTest::newRow("hour 24") << "2025-01-01T24:00:00Z" << rejected;
        QTest::newRow("minute 60") << "2025-01-01T10:60:00Z" << rejected;
        QTest::newRow("leap second") << "2016-12-31T23:59:60Z" << rejected;
        QTest::newRow("point without digits") << "2025-01-01T10:00:00.Z" << rejected;
        QTest::newRow("comma as decimal mark") << "2025-01-01T10:00:00,5Z" << rejected;
        QTest::newRow("offset hours 24") << "2025-01-01T10:00:00+24:00" << rejected;
        QTest::newRow("offset minutes 60") << "2025-01-01T10:00:00+01:60" << rejected;
        QTest::newRow("offset without colon") << "2025-01-01T10:00:00+0100" << rejected;
        QTest::newRow("offset hours only") << "2025-01-01T10:00:00+01" << rejected;
        QTest::newRow("non-ASCII digits")
            << QString::fromUtf8("\xd9\xa2\xd9\xa0\xd9\xa2\xd9\xa5-01-01T10:00:00Z") << rejected;
    }

    void parsesOnlyInternetDateTimes()
    {
        QFETCH(QString, text);
        QFETCH(double, secondsSince1970);
        const auto instant = Rfc3339Timestamp::parse(text);
        QCOMPARE(instant.has_value(), !std::isnan(secondsSince1970));
        if (instant)
            QCOMPARE(instant->secondsSince1970(), secondsSince1970);
    }
};

QTEST_GUILESS_MAIN(TestRfc3339Timestamp)
#include "TestRfc3339Timestamp.moc"
