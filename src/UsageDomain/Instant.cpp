#include "Instant.h"

#include <QHashFunctions>

#include <cmath>

namespace tallyvane {

Instant Instant::fromDateTime(const QDateTime& dateTime)
{
    return Instant(static_cast<double>(dateTime.toMSecsSinceEpoch()) / 1000.0);
}

Instant Instant::now()
{
    return fromDateTime(QDateTime::currentDateTimeUtc());
}

QDateTime Instant::toDateTime() const
{
    // An instant from outside may lie beyond what 64-bit milliseconds hold: no date then,
    // rather than an undefined conversion.
    const double milliseconds = std::floor(m_seconds * 1000.0);
    if (!(std::fabs(milliseconds) < 0x1p63))
        return QDateTime();
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(milliseconds), Qt::UTC);
}

size_t qHash(Instant value, size_t seed) noexcept
{
    return ::qHash(value.secondsSince1970(), seed);
}

} // namespace tallyvane
