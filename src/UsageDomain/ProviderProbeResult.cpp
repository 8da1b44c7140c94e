#include "ProviderProbeResult.h"

#include "JsonObjectReader.h"
#include "JsonObjectWriter.h"

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

QJsonValue JsonValue<ProviderProbeResult>::write(const ProviderProbeResult& value)
{
    return JsonObjectWriter()
        .set("provider"_L1, value.provider)
        .set("availability"_L1, value.availability)
        .set("capabilities"_L1, value.capabilities)
        .set("sourceVersion"_L1, value.sourceVersion)
        .set("diagnostics"_L1, value.diagnostics)
        .object();
}

Decoded<ProviderProbeResult> JsonValue<ProviderProbeResult>::read(const QJsonValue& json, QStringView path)
{
    JsonObjectReader reader(json, path);
    ProviderProbeResult value{
        .provider = reader.required<ProviderDescriptor>("provider"_L1),
        .availability = reader.required<ProviderAvailability>("availability"_L1),
        .capabilities = reader.required<ProviderCapabilities>("capabilities"_L1),
        .sourceVersion = reader.optional<QString>("sourceVersion"_L1),
        .diagnostics = reader.required<QList<ProviderDiagnostic>>("diagnostics"_L1),
    };
    return reader.finish(std::move(value));
}

} // namespace tallyvane
