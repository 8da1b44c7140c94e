#pragma once

#include <ProviderKit/ProviderConnectionState.h>
#include <UsageDomain/ProviderAvailability.h>
#include <UsageDomain/ProviderDiagnostic.h>

namespace tallyvane {

// What a service that is not signed in shows, wherever that is decided: the gate in front of
// a provider and the view-state assembly answer alike.
struct SignInNotice {
    // notInstalled and unsupportedVersion keep their meaning; everything else needs a sign-in.
    static ProviderAvailability availability(ProviderConnectionStatus status);
    // A warning "<service>.authentication_required" with the localised detail, or the general
    // sentence when there is no detail (an empty one counts as none: never a blank notice).
    static ProviderDiagnostic diagnostic(ProviderService service, const std::optional<QString>& detail);
};

} // namespace tallyvane
