#include "UsageWindowSelection.h"

#include <QHash>

#include <algorithm>

namespace tallyvane {

namespace {

// Later windows replace earlier ones only when strictly newer.
const UsageWindowSample* newest(const QList<UsageWindowSample>& windows, std::optional<UsageWindowKind> kind)
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

} // namespace

std::optional<UsageWindowSample> UsageWindowSelection::chosen(const QList<UsageWindowSample>& windows,
                                                              std::optional<UsageWindowKind> preferredKind)
{
    const UsageWindowSample* chosen = preferredKind ? newest(windows, preferredKind) : nullptr;
    if (!chosen)
        chosen = newest(windows, std::nullopt);
    return chosen ? std::optional(*chosen) : std::nullopt;
}

QList<UsageWindowSample> UsageWindowSelection::latestPerBucket(const QList<UsageWindowSample>& windows)
{
    QList<UsageWindowSample> latest;
    QHash<QString, qsizetype> indexOfBucket;
    for (const UsageWindowSample& window : windows) {
        const auto known = indexOfBucket.constFind(window.providerBucketID);
        if (known == indexOfBucket.cend()) {
            indexOfBucket.insert(window.providerBucketID, latest.size());
            latest.append(window);
        } else if (window.observedAt > latest[*known].observedAt) {
            latest[*known] = window;
        }
    }
    std::ranges::sort(latest, [](const UsageWindowSample& a, const UsageWindowSample& b) {
        if (a.windowKind != b.windowKind)
            return a.windowKind < b.windowKind;
        return a.providerBucketID < b.providerBucketID;
    });
    return latest;
}

} // namespace tallyvane
