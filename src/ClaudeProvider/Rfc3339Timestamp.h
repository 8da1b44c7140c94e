#pragma once

#include <UsageDomain/Instant.h>

#include <QStringView>

#include <optional>

namespace tallyvane {

// Strict internet date-time text: "2025-01-01T10:00:00Z", "2025-01-01T10:00:00.123+01:00".
// The offset is mandatory, because a local time without one names no instant; fractional
// seconds are optional and keep their precision.
class Rfc3339Timestamp {
public:
    static std::optional<Instant> parse(QStringView text);
};

} // namespace tallyvane
