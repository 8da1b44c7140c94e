#include "Rfc3339Timestamp.h"

#include <charconv>
#include <cstdint>
#include <string>

namespace tallyvane {

namespace {

// Walks the text once; every step either consumes exactly what it expects or fails.
class Cursor {
public:
    explicit Cursor(QStringView text)
        : m_text(text)
    {
    }

    bool atEnd() const { return m_index == m_text.size(); }
    char16_t peek() const { return atEnd() ? char16_t(0) : m_text[m_index].unicode(); }

    bool expect(char16_t c)
    {
        if (peek() != c)
            return false;
        ++m_index;
        return true;
    }

    // Exactly `count` ASCII digits; other scripts' digits are not part of the format.
    std::optional<int> digits(int count)
    {
        int value = 0;
        for (int i = 0; i < count; ++i) {
            if (!isDigit(peek()))
                return std::nullopt;
            value = value * 10 + (peek() - u'0');
            ++m_index;
        }
        return value;
    }

    std::string digitRun()
    {
        std::string run;
        for (; isDigit(peek()); ++m_index)
            run.push_back(static_cast<char>(peek()));
        return run;
    }

private:
    static bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

    QStringView m_text;
    qsizetype m_index = 0;
};

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month)
{
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

// Days from 1970-01-01 to a proleptic Gregorian date (Hinnant's days_from_civil).
std::int64_t daysSinceEpoch(int year, int month, int day)
{
    const std::int64_t y = month <= 2 ? year - 1 : year;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// Whole seconds plus the fraction's digits, rounded once: reading the decimal text gives the
// double nearest the written instant, which adding a separately rounded fraction would not.
// from_chars, not stod: it ignores the process locale's decimal separator.
double combine(std::int64_t wholeSeconds, const std::string& fractionDigits)
{
    if (fractionDigits.empty())
        return static_cast<double>(wholeSeconds);
    const auto read = [](const std::string& text) {
        double value = 0;
        std::from_chars(text.data(), text.data() + text.size(), value);
        return value;
    };
    if (wholeSeconds < 0) // before 1970 the text form would subtract the fraction
        return static_cast<double>(wholeSeconds) + read("0." + fractionDigits);
    return read(std::to_string(wholeSeconds) + '.' + fractionDigits);
}

} // namespace

std::optional<Instant> Rfc3339Timestamp::parse(QStringView text)
{
    Cursor cursor(text);
    const auto year = cursor.digits(4);
    if (!year || !cursor.expect(u'-'))
        return std::nullopt;
    const auto month = cursor.digits(2);
    if (!month || *month < 1 || *month > 12 || !cursor.expect(u'-'))
        return std::nullopt;
    const auto day = cursor.digits(2);
    if (!day || *day < 1 || *day > daysInMonth(*year, *month) || !cursor.expect(u'T'))
        return std::nullopt;

    const auto hour = cursor.digits(2);
    if (!hour || *hour > 23 || !cursor.expect(u':'))
        return std::nullopt;
    const auto minute = cursor.digits(2);
    if (!minute || *minute > 59 || !cursor.expect(u':'))
        return std::nullopt;
    // A leap second (60) has no instant of its own in Unix time, so it is refused.
    const auto second = cursor.digits(2);
    if (!second || *second > 59)
        return std::nullopt;

    std::string fraction;
    if (cursor.expect(u'.')) {
        fraction = cursor.digitRun();
        if (fraction.empty())
            return std::nullopt;
    }

    int offsetSeconds = 0;
    if (!cursor.expect(u'Z')) {
        const char16_t sign = cursor.peek();
        if (sign != u'+' && sign != u'-')
            return std::nullopt;
        cursor.expect(sign);
        const auto offsetHours = cursor.digits(2);
        if (!offsetHours || *offsetHours > 23 || !cursor.expect(u':'))
            return std::nullopt;
        const auto offsetMinutes = cursor.digits(2);
        if (!offsetMinutes || *offsetMinutes > 59)
            return std::nullopt;
        offsetSeconds = (*offsetHours * 3600 + *offsetMinutes * 60) * (sign == u'-' ? -1 : 1);
    }
    if (!cursor.atEnd())
        return std::nullopt;

    const std::int64_t wholeSeconds =
        daysSinceEpoch(*year, *month, *day) * 86400 + *hour * 3600 + *minute * 60 + *second - offsetSeconds;
    return Instant::fromSecondsSince1970(combine(wholeSeconds, fraction));
}

} // namespace tallyvane
