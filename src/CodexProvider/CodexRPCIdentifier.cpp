#include "CodexRPCIdentifier.h"

#include <UsageDomain/JsonObjectReader.h>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

Decoded<CodexRPCIdentifier> JsonValue<CodexRPCIdentifier>::read(const QJsonValue& json, QStringView path)
{
    JsonObjectReader reader(json, path);
    CodexRPCIdentifier value{
        .id = reader.optional<std::int64_t>("id"_L1),
        .error = reader.optional<CodexRPCError>("error"_L1),
    };
    return reader.finish(std::move(value));
}

} // namespace tallyvane
