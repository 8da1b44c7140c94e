#include "ProviderDiagnostic.h"

#include "JsonObjectReader.h"
#include "JsonObjectWriter.h"

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

size_t qHash(const ProviderDiagnostic& value, size_t seed) noexcept
{
    return FieldHasher(seed).add(value.severity).add(value.code).add(value.message).result();
}

bool containsError(const QList<ProviderDiagnostic>& diagnostics)
{
    return std::ranges::any_of(diagnostics, [](const ProviderDiagnostic& diagnostic) {
        return diagnostic.severity == DiagnosticSeverity::error;
    });
}

QJsonValue JsonValue<ProviderDiagnostic>::write(const ProviderDiagnostic& value)
{
    return JsonObjectWriter()
        .set("severity"_L1, value.severity)
        .set("code"_L1, value.code)
        .set("message"_L1, value.message)
        .object();
}

Decoded<ProviderDiagnostic> JsonValue<ProviderDiagnostic>::read(const QJsonValue& json, QStringView path)
{
    JsonObjectReader reader(json, path);
    ProviderDiagnostic value{
        .severity = reader.required<DiagnosticSeverity>("severity"_L1),
        .code = reader.required<QString>("code"_L1),
        .message = reader.required<QString>("message"_L1),
    };
    return reader.finish(std::move(value));
}

} // namespace tallyvane
