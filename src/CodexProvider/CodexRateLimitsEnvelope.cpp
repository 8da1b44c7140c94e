#include "CodexRateLimitsEnvelope.h"

#include <UsageDomain/JsonObjectReader.h>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

Decoded<CodexRateLimitsEnvelope> JsonValue<CodexRateLimitsEnvelope>::read(const QJsonValue& json,
                                                                          QStringView path)
{
    JsonObjectReader reader(json, path);
    CodexRateLimitsEnvelope value{
        .result = reader.optional<CodexRateLimitsPayload>("result"_L1),
        .error = reader.optional<CodexRPCError>("error"_L1),
    };
    return reader.finish(std::move(value));
}

} // namespace tallyvane
