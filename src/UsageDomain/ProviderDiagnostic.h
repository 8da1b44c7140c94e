#pragma once

#include "DiagnosticSeverity.h"
#include "FieldHasher.h"
#include "JsonValue.h"

namespace tallyvane {

// One problem report: a stable dotted code and one sanitised sentence.
struct ProviderDiagnostic {
    DiagnosticSeverity severity = DiagnosticSeverity::info;
    QString code;
    QString message;

    friend bool operator==(const ProviderDiagnostic&, const ProviderDiagnostic&) = default;
};

size_t qHash(const ProviderDiagnostic& value, size_t seed = 0) noexcept;

// Only an error counts as a failed refresh; warnings and infos never do.
bool containsError(const QList<ProviderDiagnostic>& diagnostics);

template <> struct JsonValue<ProviderDiagnostic> {
    static QJsonValue write(const ProviderDiagnostic& value);
    static Decoded<ProviderDiagnostic> read(const QJsonValue& json, QStringView path);
};

} // namespace tallyvane

TALLYVANE_STD_HASH(tallyvane::ProviderDiagnostic)
