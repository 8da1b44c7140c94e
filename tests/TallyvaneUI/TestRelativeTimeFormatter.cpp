#include <TallyvaneUI/RelativeTimeFormatter.h>

#include <QTest>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

class TestRelativeTimeFormatter : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void relative_data();
    void relative();
    void countdown_data();
    void countdown();
};

namespace {
constexpr double minute = 60;
constexpr double hour = 3600;
constexpr double day = 86400;
constexpr double week = 7 * day;
constexpr double year = 365.2425 * day;
constexpr double month = year / 12;
} // namespace

void TestRelativeTimeFormatter::relative_data()
{
    QTest::addColumn<double>("offset"); // target minus now, in seconds
    QTest::addColumn<QString>("expected");

    QTest::newRow("same instant") << 0.0 << u"in 0 sec."_s;
    QTest::newRow("under a second in the past") << -0.7 << u"in 0 sec."_s;
    QTest::newRow("30 s ahead") << 30.0 << u"in 30 sec."_s;
    QTest::newRow("59.9 s ahead truncates") << 59.9 << u"in 59 sec."_s;
    QTest::newRow("59 s ago") << -59.0 << u"59 sec. ago"_s;
    QTest::newRow("60 s ahead") << 60.0 << u"in 1 min."_s;
    QTest::newRow("60 s ago") << -60.0 << u"1 min. ago"_s;
    QTest::newRow("119 s ahead") << 119.0 << u"in 1 min."_s;
    QTest::newRow("2 min ago") << -2 * minute << u"2 min. ago"_s;
    QTest::newRow("3599 s ahead") << 3599.0 << u"in 59 min."_s;
    QTest::newRow("3600 s ahead") << 3600.0 << u"in 1 hr."_s;
    QTest::newRow("3600 s ago") << -3600.0 << u"1 hr. ago"_s;
    QTest::newRow("3 hr ahead") << 3 * hour + 1799 << u"in 3 hr."_s;
    QTest::newRow("just under a day") << day - 1 << u"in 23 hr."_s;
    QTest::newRow("one day ahead") << day << u"in 1 day"_s;
    QTest::newRow("one day ago") << -day << u"1 day ago"_s;
    QTest::newRow("two days ahead") << 2 * day << u"in 2 days"_s;
    QTest::newRow("six days ago") << -(week - 1) << u"6 days ago"_s;
    QTest::newRow("one week ahead") << week << u"in 1 wk."_s;
    QTest::newRow("four weeks ahead") << 4 * week << u"in 4 wk."_s;
    QTest::newRow("just under a month") << month - 1 << u"in 4 wk."_s;
    QTest::newRow("one month ahead") << month << u"in 1 mo."_s;
    QTest::newRow("two months ago") << -2 * month << u"2 mo. ago"_s;
    QTest::newRow("just under a year") << year - 1 << u"in 11 mo."_s;
    QTest::newRow("one year ahead") << year << u"in 1 yr."_s;
    QTest::newRow("three years ago") << -3 * year - 5 * day << u"3 yr. ago"_s;
}

void TestRelativeTimeFormatter::relative()
{
    QFETCH(double, offset);
    QFETCH(QString, expected);
    const Instant now = Instant::fromSecondsSince1970(1'750'000'000.25);
    QCOMPARE(RelativeTimeFormatter::relative(now.addingSeconds(offset), now), expected);
}

void TestRelativeTimeFormatter::countdown_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("expected");

    QTest::newRow("zero") << 0.0 << u"0 sec"_s;
    QTest::newRow("negative") << -90.0 << u"0 sec"_s;
    QTest::newRow("not a number") << std::nan("") << u"0 sec"_s;
    QTest::newRow("42 s") << 42.9 << u"42 sec"_s;
    QTest::newRow("1 min 5 s") << 65.0 << u"1 min, 5 sec"_s;
    QTest::newRow("5 min exactly") << 300.0 << u"5 min"_s;
    QTest::newRow("1 hr 29 min 59 s") << hour + 29 * minute + 59 << u"1 hr, 29 min"_s;
    QTest::newRow("1 hr 0 min 30 s drops the seconds") << hour + 30 << u"1 hr"_s;
    QTest::newRow("one day") << day << u"1 day"_s;
    QTest::newRow("1 day 1 hr") << day + hour << u"1 day, 1 hr"_s;
    QTest::newRow("2 days 3 hr 59 min") << 2 * day + 3 * hour + 59 * minute << u"2 days, 3 hr"_s;
    QTest::newRow("9 days, minutes only") << 9 * day + 4 * minute << u"9 days"_s;
}

void TestRelativeTimeFormatter::countdown()
{
    QFETCH(double, seconds);
    QFETCH(QString, expected);
    QCOMPARE(RelativeTimeFormatter::countdown(seconds), expected);
}

QTEST_GUILESS_MAIN(TestRelativeTimeFormatter)
#include "TestRelativeTimeFormatter.moc"
