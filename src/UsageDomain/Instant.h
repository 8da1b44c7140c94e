#pragma once

#include <QDateTime>

#include <compare>

namespace tallyvane {

// A point in time: double seconds since 1970-01-01T00:00:00Z, sub-second precision kept.
// Written to JSON as seconds since 2001-01-01T00:00:00Z, the one convention of every document.
class Instant {
public:
    static constexpr double referenceDateOffset = 978307200.0; // 2001-01-01 in Unix seconds

    constexpr Instant() = default;
    static constexpr Instant fromSecondsSince1970(double seconds) { return Instant(seconds); }
    static constexpr Instant fromSecondsSinceReferenceDate(double seconds)
    {
        return Instant(seconds + referenceDateOffset);
    }
    static Instant fromDateTime(const QDateTime& dateTime);
    static Instant now();

    constexpr double secondsSince1970() const { return m_seconds; }
    constexpr double secondsSinceReferenceDate() const { return m_seconds - referenceDateOffset; }
    QDateTime toDateTime() const;

    constexpr Instant addingSeconds(double seconds) const { return Instant(m_seconds + seconds); }
    constexpr double secondsSince(Instant earlier) const { return m_seconds - earlier.m_seconds; }

    friend constexpr bool operator==(Instant, Instant) = default;
    friend constexpr auto operator<=>(Instant, Instant) = default;

private:
    constexpr explicit Instant(double seconds)
        : m_seconds(seconds)
    {
    }
    double m_seconds = 0;
};

size_t qHash(Instant value, size_t seed = 0) noexcept;

} // namespace tallyvane
