#include "WidgetDate.h"

#include <QHashFunctions>

#include <chrono>
#include <cmath>

namespace tallyvane {

WidgetDate WidgetDate::fromDateTime(const QDateTime& dateTime)
{
    return fromSecondsSince1970(double(dateTime.toMSecsSinceEpoch()) / 1000.0);
}

WidgetDate WidgetDate::now()
{
    const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    return fromSecondsSince1970(std::chrono::duration<double>(sinceEpoch).count());
}

QDateTime WidgetDate::toDateTime() const
{
    // A date read from the document can be any double; beyond 64-bit milliseconds (or NaN)
    // there is no date, and llround would be undefined.
    const double milliseconds = std::round(secondsSince1970() * 1000.0);
    if (!(milliseconds > -0x1p63 && milliseconds < 0x1p63))
        return QDateTime();
    return QDateTime::fromMSecsSinceEpoch(qint64(milliseconds), Qt::UTC);
}

size_t qHash(WidgetDate value, size_t seed) noexcept
{
    return ::qHash(value.secondsSinceReferenceDate(), seed);
}

} // namespace tallyvane
