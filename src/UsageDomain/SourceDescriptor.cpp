#include "SourceDescriptor.h"

#include "JsonObjectReader.h"
#include "JsonObjectWriter.h"

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

size_t qHash(const SourceDescriptor& value, size_t seed) noexcept
{
    return FieldHasher(seed).add(value.id).add(value.displayName).add(value.isDocumented).result();
}

QJsonValue JsonValue<SourceDescriptor>::write(const SourceDescriptor& value)
{
    return JsonObjectWriter()
        .set("id"_L1, value.id)
        .set("displayName"_L1, value.displayName)
        .set("isDocumented"_L1, value.isDocumented)
        .object();
}

Decoded<SourceDescriptor> JsonValue<SourceDescriptor>::read(const QJsonValue& json, QStringView path)
{
    JsonObjectReader reader(json, path);
    SourceDescriptor value{
        .id = reader.required<QString>("id"_L1),
        .displayName = reader.required<QString>("displayName"_L1),
        .isDocumented = reader.required<bool>("isDocumented"_L1),
    };
    return reader.finish(std::move(value));
}

} // namespace tallyvane
