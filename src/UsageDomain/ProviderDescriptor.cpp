#include "ProviderDescriptor.h"

#include "JsonObjectReader.h"
#include "JsonObjectWriter.h"

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

size_t qHash(const ProviderDescriptor& value, size_t seed) noexcept
{
    return FieldHasher(seed).add(value.id).add(value.displayName).add(value.integrationNotice).result();
}

QJsonValue JsonValue<ProviderDescriptor>::write(const ProviderDescriptor& value)
{
    return JsonObjectWriter()
        .set("id"_L1, value.id)
        .set("displayName"_L1, value.displayName)
        .set("integrationNotice"_L1, value.integrationNotice)
        .object();
}

Decoded<ProviderDescriptor> JsonValue<ProviderDescriptor>::read(const QJsonValue& json, QStringView path)
{
    JsonObjectReader reader(json, path);
    ProviderDescriptor value{
        .id = reader.required<QString>("id"_L1),
        .displayName = reader.required<QString>("displayName"_L1),
        .integrationNotice = reader.optional<QString>("integrationNotice"_L1),
    };
    return reader.finish(std::move(value));
}

} // namespace tallyvane
