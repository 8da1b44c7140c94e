#include "StatusIconContent.h"

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

StatusIconContent StatusIconContent::from(const MenuBarProjection& projection,
                                          const QList<ProviderMenuSnapshot>& snapshots,
                                          const MenuBarConfiguration& configuration)
{
    StatusIconContent content;
    QString firstID;
    for (const MenuBarProjection::Entry& entry : projection.entries) {
        if (const std::optional<ProviderService> service = serviceForProviderID(entry.providerID)) {
            if (content.services.isEmpty())
                firstID = entry.providerID;
            content.services.append(*service);
        }
    }
    if (content.services.isEmpty())
        return content;

    if (configuration.iconsOnly) {
        content.kind = Kind::marks;
        content.services = content.services.mid(0, 2);
        return content;
    }

    content.kind = Kind::ring;
    content.services = content.services.mid(0, 1);
    const auto snapshot = std::ranges::find(snapshots, firstID, &ProviderMenuSnapshot::providerID);
    std::optional<UsageWindowSample> window;
    if (snapshot != snapshots.end())
        window = MenuBarProjection::chosenWindow(snapshot->windows, configuration.selectedWindowKind);
    if (window && window->usedFraction)
        content.usedFraction = window->usedFraction->toDouble();
    if (configuration.showPercentage) {
        content.percent = window && window->usedFraction
                              ? QString::number(MenuBarProjection::wholePercent(*window->usedFraction,
                                                                                configuration.percentageMode))
                              : u"\u2014"_s;
    }
    return content;
}

StatusIconContent StatusIconContent::pending()
{
    return {.kind = Kind::pending, .services = {}, .usedFraction = std::nullopt, .percent = u"\u2026"_s};
}

} // namespace tallyvane
