#pragma once

#include "ProviderAvailability.h"
#include "ProviderCapabilities.h"
#include "ProviderDescriptor.h"
#include "ProviderDiagnostic.h"

#include <QList>

#include <optional>

namespace tallyvane {

// What a provider can do right now, answered without collecting numbers. No equality of its own.
struct ProviderProbeResult {
    ProviderDescriptor provider;
    ProviderAvailability availability = ProviderAvailability::temporarilyUnavailable;
    ProviderCapabilities capabilities;
    std::optional<QString> sourceVersion;
    QList<ProviderDiagnostic> diagnostics;
};

template <> struct JsonValue<ProviderProbeResult> {
    static QJsonValue write(const ProviderProbeResult& value);
    static Decoded<ProviderProbeResult> read(const QJsonValue& json, QStringView path);
};

} // namespace tallyvane
