#include "CodexRateLimitSnapshot.h"

#include <UsageDomain/JsonObjectReader.h>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

Decoded<CodexRateLimitSnapshot> JsonValue<CodexRateLimitSnapshot>::read(const QJsonValue& json,
                                                                        QStringView path)
{
    JsonObjectReader reader(json, path);
    CodexRateLimitSnapshot value{
        .limitId = reader.optional<QString>("limitId"_L1),
        .limitName = reader.optional<QString>("limitName"_L1),
        .primary = reader.optional<CodexRateLimitWindow>("primary"_L1),
        .secondary = reader.optional<CodexRateLimitWindow>("secondary"_L1),
    };
    return reader.finish(std::move(value));
}

} // namespace tallyvane
