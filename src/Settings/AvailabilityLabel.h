#pragma once

#include <UsageDomain/ProviderAvailability.h>

#include <QString>

namespace tallyvane {

// The short word the diagnostics list shows for a provider's availability.
QString availabilityLabel(ProviderAvailability availability);

} // namespace tallyvane
