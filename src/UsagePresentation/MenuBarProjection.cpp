#include "MenuBarProjection.h"

#include <UsageDomain/Localizable.h>
#include <UsageDomain/UsagePercent.h>
#include <UsageDomain/UsageWindowSelection.h>

#include <QHash>
#include <QSet>
#include <QStringList>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {

struct EntryAndSpokenPart {
    MenuBarProjection::Entry entry;
    QString spoken;
};

EntryAndSpokenPart projectEntry(const ProviderMenuSnapshot& snapshot,
                                const MenuBarConfiguration& configuration,
                                const MenuBarProjection::TimeFormat& formatTime)
{
    const std::optional<UsageWindowSample> window =
        UsageWindowSelection::chosen(snapshot.windows, configuration.selectedWindowKind);
    QStringList parts;
    if (configuration.density == MenuBarDensity::detailed)
        parts.append(snapshot.displayName);
    QString spoken = snapshot.displayName;

    if (configuration.showPercentage) {
        // Used, or 1 - remaining: the share every other surface shows for this window.
        const std::optional<Decimal> used = window ? UsagePercent::usedFraction(*window) : std::nullopt;
        if (used) {
            const QString percent =
                QString::number(MenuBarProjection::wholePercent(*used, configuration.percentageMode)) + u'%';
            parts.append(percent);
            spoken += (configuration.percentageMode == PercentageDisplayMode::consumed
                           ? localized(", %1 consumed")
                           : localized(", %1 remaining"))
                          .arg(percent);
        } else {
            parts.append(u"\u2014"_s);
            spoken += localized(", usage unavailable");
        }
    }
    if (configuration.showResetTime && window && window->resetAt) {
        const QString time = formatTime(*window->resetAt);
        parts.append(time);
        spoken += localized(", resets at %1").arg(time);
    }
    return {
        {snapshot.providerID, snapshot.displayName, configuration.iconsOnly ? QString() : parts.join(u' ')},
        spoken};
}

} // namespace

qint64 MenuBarProjection::wholePercent(const Decimal& usedFraction, PercentageDisplayMode mode)
{
    return mode == PercentageDisplayMode::consumed ? UsagePercent::used(usedFraction)
                                                   : UsagePercent::remaining(usedFraction);
}

MenuBarProjection MenuBarProjection::project(const QList<ProviderMenuSnapshot>& snapshots,
                                             const MenuBarConfiguration& configuration,
                                             const TimeFormat& formatTime)
{
    QHash<QString, qsizetype> indexByID;
    for (qsizetype i = 0; i < snapshots.size(); ++i) {
        Q_ASSERT_X(!indexByID.contains(snapshots[i].providerID), "MenuBarProjection::project",
                   "two snapshots share a provider identifier");
        if (!indexByID.contains(snapshots[i].providerID))
            indexByID.insert(snapshots[i].providerID, i);
    }

    // Preferred identifiers first, then the rest in snapshot order; each provider once.
    QList<qsizetype> displayOrder;
    QSet<QString> placed;
    const auto place = [&](const QString& id) {
        const auto found = indexByID.constFind(id);
        if (found != indexByID.cend() && !placed.contains(id)) {
            placed.insert(id);
            if (configuration.enabledProviderIDs.contains(id))
                displayOrder.append(*found);
        }
    };
    for (const QString& id : configuration.providerOrder)
        place(id);
    for (const ProviderMenuSnapshot& snapshot : snapshots)
        place(snapshot.providerID);

    if (displayOrder.isEmpty())
        return {{}, localized("Tallyvane unavailable")};

    MenuBarProjection projection;
    QStringList spokenParts;
    for (const qsizetype index : displayOrder) {
        EntryAndSpokenPart part = projectEntry(snapshots[index], configuration, formatTime);
        projection.entries.append(std::move(part.entry));
        spokenParts.append(std::move(part.spoken));
    }
    projection.accessibilityLabel = spokenParts.join(u"; "_s);
    return projection;
}

} // namespace tallyvane
