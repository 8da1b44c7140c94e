#pragma once

#include "ProviderCollectionResult.h"
#include "ProviderDescriptor.h"
#include "ProviderProbeResult.h"
#include "UsageCollectionRequest.h"

#include <QCoroTask>

namespace tallyvane {

// The one interface through which the rest of the system reaches a usage source. Providers
// are shared (std::shared_ptr) and may be asked to probe or collect while another call is in
// flight; neither call ever fails: problems are diagnostics in the answer.
class TallyvaneProvider {
public:
    virtual ~TallyvaneProvider() = default;

    // Constant for the provider's lifetime; cheap; never suspends.
    virtual ProviderDescriptor descriptor() const = 0;
    virtual QCoro::Task<ProviderProbeResult> probe() = 0;
    virtual QCoro::Task<ProviderCollectionResult> collect(UsageCollectionRequest request) = 0;

protected:
    TallyvaneProvider() = default;
    TallyvaneProvider(const TallyvaneProvider&) = default;
    TallyvaneProvider& operator=(const TallyvaneProvider&) = default;
};

} // namespace tallyvane
