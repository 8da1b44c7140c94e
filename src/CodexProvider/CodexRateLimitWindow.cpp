#include "CodexRateLimitWindow.h"

#include <UsageDomain/JsonObjectReader.h>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

Decoded<CodexRateLimitWindow> JsonValue<CodexRateLimitWindow>::read(const QJsonValue& json, QStringView path)
{
    JsonObjectReader reader(json, path);
    CodexRateLimitWindow value{
        .usedPercent = reader.required<std::int64_t>("usedPercent"_L1),
        .windowDurationMins = reader.optional<std::int64_t>("windowDurationMins"_L1),
        .resetsAt = reader.optional<std::int64_t>("resetsAt"_L1),
    };
    return reader.finish(std::move(value));
}

} // namespace tallyvane
