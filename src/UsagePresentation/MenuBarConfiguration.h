#pragma once

#include "MenuBarDensity.h"
#include "PercentageDisplayMode.h"

#include <UsageDomain/UsageWindowKind.h>

#include <QList>
#include <QSet>
#include <QString>

#include <optional>

namespace tallyvane {

// The user's menu-bar settings. The defaults are those of a fresh installation, except that
// no provider is enabled or ordered until the caller says so.
struct MenuBarConfiguration {
    // Provider identifiers (descriptor ids) shown in the menu bar.
    QSet<QString> enabledProviderIDs;
    // Preferred order of provider identifiers; unmentioned providers follow.
    QList<QString> providerOrder;
    bool iconsOnly = false;
    bool showPercentage = true;
    PercentageDisplayMode percentageMode = PercentageDisplayMode::consumed;
    bool showResetTime = true;
    // Absent: pick automatically among all windows.
    std::optional<UsageWindowKind> selectedWindowKind = UsageWindowKind::fiveHour;
    MenuBarDensity density = MenuBarDensity::compact;

    friend bool operator==(const MenuBarConfiguration&, const MenuBarConfiguration&) = default;
};

} // namespace tallyvane
