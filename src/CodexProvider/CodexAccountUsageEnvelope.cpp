#include "CodexAccountUsageEnvelope.h"

#include <UsageDomain/JsonObjectReader.h>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

Decoded<CodexAccountUsageEnvelope> JsonValue<CodexAccountUsageEnvelope>::read(const QJsonValue& json,
                                                                              QStringView path)
{
    JsonObjectReader reader(json, path);
    CodexAccountUsageEnvelope value{
        .result = reader.optional<CodexAccountUsagePayload>("result"_L1),
        .error = reader.optional<CodexRPCError>("error"_L1),
    };
    return reader.finish(std::move(value));
}

} // namespace tallyvane
