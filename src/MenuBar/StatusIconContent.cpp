#include "StatusIconContent.h"

#include <UsageDomain/UsagePercent.h>
#include <UsageDomain/UsageWindowSelection.h>

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
    std::optional<Decimal> used;
    if (snapshot != snapshots.end()) {
        if (const auto window =
                UsageWindowSelection::chosen(snapshot->windows, configuration.selectedWindowKind))
            used = UsagePercent::usedFraction(*window);
    }
    if (used)
        content.usedFraction = used->toDouble();
    if (configuration.showPercentage) {
        content.percent =
            used ? QString::number(MenuBarProjection::wholePercent(*used, configuration.percentageMode))
                 : u"\u2014"_s;
    }
    return content;
}

StatusIconContent StatusIconContent::pending()
{
    return {.kind = Kind::pending, .services = {}, .usedFraction = std::nullopt, .percent = u"\u2026"_s};
}

} // namespace tallyvane
