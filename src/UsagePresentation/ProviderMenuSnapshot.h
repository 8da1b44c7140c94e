#pragma once

#include <UsageDomain/UsageWindowSample.h>

#include <QList>

namespace tallyvane {

// What the menu-bar projection reads about one provider: all of its windows, unfiltered.
struct ProviderMenuSnapshot {
    QString providerID;
    QString displayName;
    QList<UsageWindowSample> windows;

    friend bool operator==(const ProviderMenuSnapshot&, const ProviderMenuSnapshot&) = default;
};

} // namespace tallyvane
