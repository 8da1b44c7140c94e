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
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::floor(m_seconds * 1000.0)), Qt::UTC);
}

size_t qHash(Instant value, size_t seed) noexcept
{
    return ::qHash(value.secondsSince1970(), seed);
}

} // namespace tallyvane
