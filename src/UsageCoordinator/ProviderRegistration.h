#pragma once

#include <UsageDomain/TallyvaneProvider.h>

#include <QUuid>

#include <memory>

namespace tallyvane {

// One provider known to the coordinator and the connection it collects for.
struct ProviderRegistration {
    QUuid connectionID;
    std::shared_ptr<TallyvaneProvider> provider;
};

} // namespace tallyvane
