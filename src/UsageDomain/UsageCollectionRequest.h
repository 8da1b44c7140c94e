#pragma once

#include "Instant.h"

#include <QUuid>

namespace tallyvane {

// What a refresh asks one provider for: the connection to stamp into every record and the
// refresh's start, shared by every provider of that refresh.
struct UsageCollectionRequest {
    QUuid connectionID;
    Instant observedAt;
};

} // namespace tallyvane
