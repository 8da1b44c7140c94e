#include "CodexAccountUsagePayload.h"

#include <UsageDomain/JsonObjectReader.h>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

Decoded<CodexAccountUsagePayload> JsonValue<CodexAccountUsagePayload>::read(const QJsonValue& json,
                                                                            QStringView path)
{
    JsonObjectReader reader(json, path);
    CodexAccountUsagePayload value{
        .dailyUsageBuckets = reader.optional<QList<CodexDailyUsageBucket>>("dailyUsageBuckets"_L1),
    };
    return reader.finish(std::move(value));
}

} // namespace tallyvane
