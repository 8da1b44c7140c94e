#pragma once

#include "MenuBarConfiguration.h"
#include "ProviderMenuSnapshot.h"

#include <UsageDomain/Instant.h>

#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace tallyvane {

// What the menu-bar item shows: a short text per shown provider and one spoken description of
// the whole item. A pure function of the snapshots and the settings, so callers recompute it on
// every change and the settings window can preview it.
struct MenuBarProjection {
    struct Entry {
        QString providerID;
        QString displayName;
        // Shown next to the provider's mark; empty when only marks are shown.
        QString text;

        friend bool operator==(const Entry&, const Entry&) = default;
    };

    // Formats a reset time; supplied by the caller so the projection stays locale-free.
    using TimeFormat = std::function<QString(Instant)>;

    // One entry per shown provider, in display order.
    QList<Entry> entries;
    QString accessibilityLabel;

    // Snapshot identifiers must be unique.
    static MenuBarProjection project(const QList<ProviderMenuSnapshot>& snapshots,
                                     const MenuBarConfiguration& configuration, const TimeFormat& formatTime);

    // The shown percentage of a used fraction in either mode (UsagePercent).
    static qint64 wholePercent(const Decimal& usedFraction, PercentageDisplayMode mode);

    friend bool operator==(const MenuBarProjection&, const MenuBarProjection&) = default;
};

} // namespace tallyvane
