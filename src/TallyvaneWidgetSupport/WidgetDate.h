#pragma once

#include <QDateTime>

#include <compare>

namespace tallyvane {

// A point in time as the widget document writes it: seconds, with fraction, since
// 2001-01-01T00:00:00Z. Kept as that double so a date survives a round trip unchanged.
class WidgetDate {
public:
    static constexpr double referenceDateOffset = 978307200.0; // 2001-01-01 in Unix seconds

    constexpr WidgetDate() = default;
    static constexpr WidgetDate fromSecondsSinceReferenceDate(double seconds) { return WidgetDate(seconds); }
    static constexpr WidgetDate fromSecondsSince1970(double seconds)
    {
        return WidgetDate(seconds - referenceDateOffset);
    }
    static WidgetDate fromDateTime(const QDateTime& dateTime);
    static WidgetDate now();

    constexpr double secondsSinceReferenceDate() const { return m_seconds; }
    constexpr double secondsSince1970() const { return m_seconds + referenceDateOffset; }
    // Millisecond precision, as far as QDateTime goes.
    QDateTime toDateTime() const;

    constexpr WidgetDate addingSeconds(double seconds) const { return WidgetDate(m_seconds + seconds); }
    constexpr double secondsSince(WidgetDate earlier) const { return m_seconds - earlier.m_seconds; }

    friend constexpr bool operator==(WidgetDate, WidgetDate) = default;
    friend constexpr auto operator<=>(WidgetDate, WidgetDate) = default;

private:
    constexpr explicit WidgetDate(double seconds)
        : m_seconds(seconds)
    {
    }
    double m_seconds = 0;
};

size_t qHash(WidgetDate value, size_t seed = 0) noexcept;

} // namespace tallyvane
