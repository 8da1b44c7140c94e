#include <TallyvaneWidgetSupport/RelativeTimeFormatter.h>

#include <QTest>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

namespace {
constexpr double minute = 60, hour = 3600, day = 86400, week = 7 * day;
constexpr double year = 365.2425 * day, month = year / 12;
} // namespace

class TestRelativeTimeFormatter : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void format_data()
    {
        QTest::addColumn<bool>("countdown"); // else relative to now
        QTest::addColumn<double>("seconds"); // relative: target minus now
        QTest::addColumn<QString>("expected");
        const auto row = [](bool countdown, const char* name, double seconds, const QString& expected) {
            QTest::newRow(name) << countdown << seconds << expected;
        };

        row(false, "under a second in the past", -0.7, u"0 sec. ago"_s);
        row(false, "now", 0.0, u"0 sec. ago"_s);
        row(false, "under a second ahead", 0.4, u"in 0 sec."_s);
        row(false, "59.9 s ahead truncates", 59.9, u"in 59 sec."_s);
        row(false, "59 s ago", -59.0, u"59 sec. ago"_s);
        row(false, "60 s ago", -60.0, u"1 min. ago"_s);
        row(false, "3599 s ahead", 3599.0, u"in 59 min."_s);
        row(false, "3600 s ahead", 3600.0, u"in 1 hr."_s);
        row(false, "just under a day", day - 1, u"in 23 hr."_s);
        row(false, "one day ago", -day, u"1 day ago"_s);
        row(false, "six days ago", -(week - 1), u"6 days ago"_s);
        row(false, "one week ahead", week, u"in 1 wk."_s);
        row(false, "just under a month", month - 1, u"in 4 wk."_s);
        row(false, "one month ahead", month, u"in 1 mo."_s);
        row(false, "just under a year", year - 1, u"in 11 mo."_s);
        row(false, "one year ahead", year, u"in 1 yr."_s);
        row(false, "three years ago", -3 * year - 5 * day, u"3 yr. ago"_s);

        row(true, "negative", -90.0, u"0 sec"_s);
        row(true, "not a number", std::nan(""), u"0 sec"_s);
        row(true, "42 s", 42.9, u"42 sec"_s);
        row(true, "1 min 5 s", 65.0, u"1 min, 5 sec"_s);
        row(true, "5 min exactly", 300.0, u"5 min"_s);
        row(true, "1 hr 29 min 59 s", hour + 29 * minute + 59, u"1 hr, 29 min"_s);
        row(true, "1 hr 0 min 30 s drops the seconds", hour + 30, u"1 hr"_s);
        row(true, "1 day 1 hr", day + hour, u"1 day, 1 hr"_s);
        row(true, "2 days 3 hr 59 min", 2 * day + 3 * hour + 59 * minute, u"2 days, 3 hr"_s);
        row(true, "9 days, minutes only", 9 * day + 4 * minute, u"9 days"_s);
    }

    void format()
    {
        QFETCH(bool, countdown);
        QFETCH(double, seconds);
        QFETCH(QString, expected);
        QCOMPARE(countdown ? RelativeTimeFormatter::countdown(seconds)
                           : RelativeTimeFormatter::relative(seconds),
                 expected);
    }
};

QTEST_GUILESS_MAIN(TestRelativeTimeFormatter)
#include "TestRelativeTimeFormatter.moc"
