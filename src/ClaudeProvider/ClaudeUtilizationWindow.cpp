#include "ClaudeUtilizationWindow.h"

#include <UsageDomain/JsonObjectReader.h>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

Decoded<ClaudeUtilizationWindow> JsonValue<ClaudeUtilizationWindow>::read(const QJsonValue& json,
                                                                          QStringView path)
{
    JsonObjectReader r(json, path);
    ClaudeUtilizationWindow v{
        .utilization = r.optional<Decimal>("utilization"_L1),
        .resetsAt = r.optional<QString>("resets_at"_L1),
    };
    return r.finish(std::move(v));
}

} // namespace tallyvane
