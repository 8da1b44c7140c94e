#pragma once

#include <ProviderKit/ProviderConnectionStatus.h>
#include <UsageDomain/ProviderAvailability.h>
#include <UsageDomain/ProviderDiagnostic.h>

#include <QList>
#include <QStringList>

namespace tallyvane {

// One provider's entry of the diagnostics report: only what helps support, never usage values
// or identities. The texts are still raw here; the report cleans and filters them as it writes.
struct SanitizedProviderDiagnostics {
    QString name;
    ProviderConnectionStatus connectionStatus = ProviderConnectionStatus::checking;
    ProviderAvailability availability = ProviderAvailability::authenticationRequired;
    QStringList sourceVersions; // every present version, duplicates removed, ascending
    QList<ProviderDiagnostic> diagnostics;

    friend bool operator==(const SanitizedProviderDiagnostics&,
                           const SanitizedProviderDiagnostics&) = default;
};

} // namespace tallyvane
