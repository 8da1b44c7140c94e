#include "RelativeTimeFormatter.h"

#include <QCoreApplication>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

namespace tallyvane::RelativeTimeFormatter {

namespace {

constexpr double minute = 60;
constexpr double hour = 60 * minute;
constexpr double day = 24 * hour;
constexpr double week = 7 * day;
constexpr double year = 365.2425 * day; // the average Gregorian year
constexpr double month = year / 12;

// The counted forms go through translate() with %n so that every language can supply its own
// plural forms. English has no translation file, so the source text itself must already be
// right for English: where the English word changes with the count ("day"), the singular and
// plural sources are separate entries, each still a numerus text for other languages.
struct Unit {
    double length;
    double limit; // the first distance that no longer uses this unit
    const char* futureOne;
    const char* futureMany;
    const char* pastOne;
    const char* pastMany;
};

constexpr std::array relativeUnits{
    Unit{1, minute, QT_TRANSLATE_N_NOOP("Localizable", "in %n sec."),
         QT_TRANSLATE_N_NOOP("Localizable", "in %n sec."), QT_TRANSLATE_N_NOOP("Localizable", "%n sec. ago"),
         QT_TRANSLATE_N_NOOP("Localizable", "%n sec. ago")},
    Unit{minute, hour, QT_TRANSLATE_N_NOOP("Localizable", "in %n min."),
         QT_TRANSLATE_N_NOOP("Localizable", "in %n min."), QT_TRANSLATE_N_NOOP("Localizable", "%n min. ago"),
         QT_TRANSLATE_N_NOOP("Localizable", "%n min. ago")},
    Unit{hour, day, QT_TRANSLATE_N_NOOP("Localizable", "in %n hr."),
         QT_TRANSLATE_N_NOOP("Localizable", "in %n hr."), QT_TRANSLATE_N_NOOP("Localizable", "%n hr. ago"),
         QT_TRANSLATE_N_NOOP("Localizable", "%n hr. ago")},
    Unit{day, week, QT_TRANSLATE_N_NOOP("Localizable", "in %n day"),
         QT_TRANSLATE_N_NOOP("Localizable", "in %n days"), QT_TRANSLATE_N_NOOP("Localizable", "%n day ago"),
         QT_TRANSLATE_N_NOOP("Localizable", "%n days ago")},
    Unit{week, month, QT_TRANSLATE_N_NOOP("Localizable", "in %n wk."),
         QT_TRANSLATE_N_NOOP("Localizable", "in %n wk."), QT_TRANSLATE_N_NOOP("Localizable", "%n wk. ago"),
         QT_TRANSLATE_N_NOOP("Localizable", "%n wk. ago")},
    Unit{month, year, QT_TRANSLATE_N_NOOP("Localizable", "in %n mo."),
         QT_TRANSLATE_N_NOOP("Localizable", "in %n mo."), QT_TRANSLATE_N_NOOP("Localizable", "%n mo. ago"),
         QT_TRANSLATE_N_NOOP("Localizable", "%n mo. ago")},
    Unit{year, std::numeric_limits<double>::infinity(), QT_TRANSLATE_N_NOOP("Localizable", "in %n yr."),
         QT_TRANSLATE_N_NOOP("Localizable", "in %n yr."), QT_TRANSLATE_N_NOOP("Localizable", "%n yr. ago"),
         QT_TRANSLATE_N_NOOP("Localizable", "%n yr. ago")},
};

struct DurationUnit {
    std::int64_t length;
    const char* one;
    const char* many;
};

constexpr std::array durationUnits{
    DurationUnit{86400, QT_TRANSLATE_N_NOOP("Localizable", "%n day"),
                 QT_TRANSLATE_N_NOOP("Localizable", "%n days")},
    DurationUnit{3600, QT_TRANSLATE_N_NOOP("Localizable", "%n hr"),
                 QT_TRANSLATE_N_NOOP("Localizable", "%n hr")},
    DurationUnit{60, QT_TRANSLATE_N_NOOP("Localizable", "%n min"),
                 QT_TRANSLATE_N_NOOP("Localizable", "%n min")},
    DurationUnit{1, QT_TRANSLATE_N_NOOP("Localizable", "%n sec"),
                 QT_TRANSLATE_N_NOOP("Localizable", "%n sec")},
};

QString counted(const char* one, const char* many, double count)
{
    // %n takes an int; a distance of more than two billion units says nothing more useful.
    const int n = count >= std::numeric_limits<int>::max() ? std::numeric_limits<int>::max() : int(count);
    return QCoreApplication::translate("Localizable", n == 1 ? one : many, nullptr, n);
}

} // namespace

QString relative(double secondsFromNow)
{
    const double distance = std::isnan(secondsFromNow) ? 0 : std::trunc(secondsFromNow);
    const bool future = secondsFromNow > 0;
    const double magnitude = std::fabs(distance);
    for (const Unit& unit : relativeUnits) {
        if (magnitude < unit.limit) {
            const double count = std::floor(magnitude / unit.length);
            return future ? counted(unit.futureOne, unit.futureMany, count)
                          : counted(unit.pastOne, unit.pastMany, count);
        }
    }
    const Unit& last = relativeUnits.back(); // only an infinite distance gets here
    return future ? counted(last.futureOne, last.futureMany, magnitude)
                  : counted(last.pastOne, last.pastMany, magnitude);
}

QString countdown(double seconds)
{
    // Past resets and nonsense read as zero rather than as a negative or huge duration.
    constexpr double longest = 1e15; // about 31 million years, well inside int64
    const std::int64_t whole =
        std::isnan(seconds) || seconds <= 0 ? 0 : std::int64_t(std::trunc(std::min(seconds, longest)));

    std::array<std::int64_t, durationUnits.size()> counts{};
    std::int64_t rest = whole;
    for (std::size_t i = 0; i < durationUnits.size(); ++i) {
        counts[i] = rest / durationUnits[i].length;
        rest %= durationUnits[i].length;
    }
    std::size_t largest = 0;
    while (largest + 1 < counts.size() && counts[largest] == 0)
        ++largest;
    const DurationUnit& first = durationUnits[largest];
    const QString leading = counted(first.one, first.many, double(counts[largest]));
    const std::size_t next = largest + 1;
    if (next == counts.size() || counts[next] == 0)
        return leading;
    const DurationUnit& second = durationUnits[next];
    return QCoreApplication::translate("Localizable", "%1, %2")
        .arg(leading, counted(second.one, second.many, double(counts[next])));
}

} // namespace tallyvane::RelativeTimeFormatter
