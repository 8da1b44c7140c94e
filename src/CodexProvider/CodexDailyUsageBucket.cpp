#include "CodexDailyUsageBucket.h"

#include <UsageDomain/JsonObjectReader.h>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

Decoded<CodexDailyUsageBucket> JsonValue<CodexDailyUsageBucket>::read(const QJsonValue& json,
                                                                      QStringView path)
{
    JsonObjectReader reader(json, path);
    CodexDailyUsageBucket value{
        .startDate = reader.required<QString>("startDate"_L1),
        .tokens = reader.required<std::int64_t>("tokens"_L1),
    };
    return reader.finish(std::move(value));
}

} // namespace tallyvane
