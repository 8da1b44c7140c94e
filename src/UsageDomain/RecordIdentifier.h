#pragma once

#include "Instant.h"

#include <QString>
#include <QUuid>

namespace tallyvane {

// The text pieces providers build record ids from, so every provider writes them alike.
struct RecordIdentifier {
    // The connection in its canonical upper-case form.
    static QString connectionText(const QUuid& connectionID);
    // "<CONNECTION>:<key>:<whole Unix seconds of observedAt, truncated toward zero>".
    static QString window(const QUuid& connectionID, QStringView key, Instant observedAt);
};

} // namespace tallyvane
