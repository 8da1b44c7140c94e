#include "RecordIdentifier.h"

#include <cmath>

namespace tallyvane {

QString RecordIdentifier::connectionText(const QUuid& connectionID)
{
    return connectionID.toString(QUuid::WithoutBraces).toUpper();
}

QString RecordIdentifier::window(const QUuid& connectionID, QStringView key, Instant observedAt)
{
    // Formatted from the double, so no instant, however far off, overflows an integer; + 0.0 turns -0 into 0.
    const QString seconds = QString::number(std::trunc(observedAt.secondsSince1970()) + 0.0, 'f', 0);
    return connectionText(connectionID) + u':' + key + u':' + seconds;
}

} // namespace tallyvane
