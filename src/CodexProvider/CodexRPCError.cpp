#include "CodexRPCError.h"

#include <UsageDomain/JsonObjectReader.h>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

Decoded<CodexRPCError> JsonValue<CodexRPCError>::read(const QJsonValue& json, QStringView path)
{
    JsonObjectReader reader(json, path);
    CodexRPCError value{.code = reader.required<std::int64_t>("code"_L1)};
    return reader.finish(std::move(value));
}

} // namespace tallyvane
