#include "AvailabilityLabel.h"

#include <UsageDomain/Localizable.h>

namespace tallyvane {

QString availabilityLabel(ProviderAvailability availability)
{
    switch (availability) {
    case ProviderAvailability::available:
        return localized("Available");
    case ProviderAvailability::availableWithLimitations:
        return localized("Limited");
    case ProviderAvailability::notInstalled:
        return localized("Not installed");
    case ProviderAvailability::authenticationRequired:
        return localized("Sign-in required");
    case ProviderAvailability::unsupportedVersion:
        return localized("Unsupported");
    case ProviderAvailability::permissionRequired:
        return localized("Permission required");
    case ProviderAvailability::temporarilyUnavailable:
        break;
    }
    return localized("Unavailable");
}

} // namespace tallyvane
