#include "MenuBarProjection.h"

#include <UsageDomain/Localizable.h>

#include <QHash>
#include <QSet>
#include <QStringList>

#include <algorithm>
#include <compare>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {

// Far beyond any percentage worth showing, yet far from overflowing the arithmetic below.
constexpr qint64 percentLimit = 100'000'000'000'000'000;

qint64 powerOfTen(int exponent)
{
    qint64 power = 1;
    for (int i = 0; i < exponent; ++i)
        power *= 10;
    return power;
}

// A decimal number split into its whole part (towards zero) and how the dropped fraction
// compares with one half; the split is exact, no binary floating point involved.
struct WholeAndFraction {
    qint64 whole = 0;
    int fractionSign = 0; // sign of the dropped fraction: -1, 0 or 1
    std::strong_ordering fractionVersusHalf = std::strong_ordering::less;
};

WholeAndFraction split(const Decimal& value)
{
    const qint64 mantissa = value.mantissa();
    const int exponent = value.exponent();
    WholeAndFraction result;
    if (exponent >= 0) {
        qint64 whole = mantissa;
        for (int i = 0; i < exponent && std::abs(whole) < percentLimit; ++i)
            whole *= 10;
        result.whole = std::clamp(whole, -percentLimit, percentLimit);
        return result;
    }
    result.fractionSign = mantissa > 0 ? 1 : (mantissa < 0 ? -1 : 0);
    // A mantissa has at most 18 digits, so with 19 or more places it is all fraction, below a half.
    if (exponent < -18)
        return result;
    const qint64 divisor = powerOfTen(-exponent);
    const qint64 remainder = mantissa % divisor;
    result.whole = mantissa / divisor;
    result.fractionSign = remainder > 0 ? 1 : (remainder < 0 ? -1 : 0);
    result.fractionVersusHalf = 2 * std::abs(remainder) <=> divisor; // fits: |remainder| < 10^18
    return result;
}

const UsageWindowSample* latestWindow(const QList<UsageWindowSample>& windows,
                                      std::optional<UsageWindowKind> kind)
{
    const UsageWindowSample* chosen = nullptr;
    for (const UsageWindowSample& window : windows) {
        if (kind && window.windowKind != *kind)
            continue;
        if (!chosen || window.observedAt > chosen->observedAt)
            chosen = &window;
    }
    return chosen;
}

// The selected kind's latest window, else the latest of any kind.
const UsageWindowSample* chosenWindow(const QList<UsageWindowSample>& windows,
                                      std::optional<UsageWindowKind> kind)
{
    const UsageWindowSample* chosen = kind ? latestWindow(windows, kind) : nullptr;
    return chosen ? chosen : latestWindow(windows, std::nullopt);
}

struct EntryAndSpokenPart {
    MenuBarProjection::Entry entry;
    QString spoken;
};

EntryAndSpokenPart projectEntry(const ProviderMenuSnapshot& snapshot,
                                const MenuBarConfiguration& configuration,
                                const MenuBarProjection::TimeFormat& formatTime)
{
    const UsageWindowSample* window = chosenWindow(snapshot.windows, configuration.selectedWindowKind);
    QStringList parts;
    if (configuration.density == MenuBarDensity::detailed)
        parts.append(snapshot.displayName);
    QString spoken = snapshot.displayName;

    if (configuration.showPercentage) {
        if (window && window->usedFraction) {
            const QString percent = QString::number(MenuBarProjection::wholePercent(
                                        *window->usedFraction, configuration.percentageMode)) +
                                    u'%';
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

std::optional<UsageWindowSample> MenuBarProjection::chosenWindow(const QList<UsageWindowSample>& windows,
                                                                 std::optional<UsageWindowKind> kind)
{
    const UsageWindowSample* chosen = tallyvane::chosenWindow(windows, kind);
    return chosen ? std::optional(*chosen) : std::nullopt;
}

qint64 MenuBarProjection::wholePercent(const Decimal& usedFraction, PercentageDisplayMode mode)
{
    const WholeAndFraction percent = split(usedFraction.scaledByPowerOfTen(2));
    const bool atLeastHalf = percent.fractionVersusHalf != std::strong_ordering::less;
    if (mode == PercentageDisplayMode::consumed)
        return percent.whole + (atLeastHalf ? percent.fractionSign : 0);

    // 100 - x: a positive fraction f leaves 1 - f, which is at least a half when f is at most a half.
    qint64 remaining = 100 - percent.whole;
    if (percent.fractionSign > 0)
        remaining += percent.fractionVersusHalf == std::strong_ordering::greater ? -1 : 0;
    else if (percent.fractionSign < 0)
        remaining += atLeastHalf ? 1 : 0;
    return std::max<qint64>(remaining, 0);
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
