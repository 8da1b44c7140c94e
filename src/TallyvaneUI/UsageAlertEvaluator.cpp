#include "UsageAlertEvaluator.h"

#include <UsageDomain/UsagePercent.h>

#include <algorithm>

namespace tallyvane {

namespace {

// A period ends without a new reset time when usage falls from a real level to almost nothing.
constexpr double resetDropFrom = 0.2;
constexpr double resetDropTo = 0.05;

int wholePercent(double fraction)
{
    return static_cast<int>(UsagePercent::used(fraction).value_or(0));
}

bool isReset(const UsageAlertEvaluator::WindowState& previous, const UsageAlertSample& sample)
{
    if (previous.resetAt && sample.resetAt && *previous.resetAt != *sample.resetAt)
        return true;
    return previous.usedFraction >= resetDropFrom && sample.usedFraction <= resetDropTo;
}

} // namespace

QList<UsageAlertEvent> UsageAlertEvaluator::evaluate(const QList<UsageAlertSample>& samples, bool enabled,
                                                     const QList<double>& thresholds, bool notifiesOnReset,
                                                     const Unobserved& unobserved)
{
    if (!enabled) {
        m_states.clear();
        return {};
    }

    QList<int> percentages;
    for (double threshold : thresholds)
        percentages.append(wholePercent(threshold));
    std::ranges::sort(percentages);
    percentages.erase(std::unique(percentages.begin(), percentages.end()), percentages.end());

    QList<UsageAlertEvent> events;
    QSet<WindowKey> seen;
    for (const UsageAlertSample& sample : samples) {
        const WindowKey key{sample.providerID, sample.bucketID};
        seen.insert(key);

        QSet<int> crossed;
        for (int percentage : percentages) {
            if (percentage / 100.0 <= sample.usedFraction)
                crossed.insert(percentage);
        }

        const auto found = m_states.find(key);
        if (found == m_states.end()) {
            m_states.insert(key, WindowState{sample.usedFraction, sample.resetAt, crossed});
            continue;
        }

        WindowState& state = found.value();
        if (isReset(state, sample)) {
            if (notifiesOnReset)
                events.append(UsageAlertEvent::reset(sample));
            // What the new period has already reached is not news.
            state.acknowledgedThresholds = crossed;
        } else {
            std::optional<int> highest;
            for (int percentage : crossed) {
                if (!state.acknowledgedThresholds.contains(percentage) &&
                    state.usedFraction < percentage / 100.0)
                    highest = std::max(highest.value_or(percentage), percentage);
            }
            if (highest)
                events.append(UsageAlertEvent::threshold(sample, *highest));
            state.acknowledgedThresholds.unite(crossed);
        }
        state.usedFraction = sample.usedFraction;
        state.resetAt = sample.resetAt;
    }

    m_states.removeIf([&seen, &unobserved](const auto& entry) {
        if (seen.contains(entry.key()))
            return false;
        const std::optional<Instant>& resetAt = entry.value().resetAt;
        return !unobserved.providerIDs.contains(entry.key().providerID) ||
               (resetAt && *resetAt <= unobserved.now);
    });
    return events;
}

void UsageAlertEvaluator::forgetProvider(const QString& providerID)
{
    m_states.removeIf([&providerID](const auto& entry) { return entry.key().providerID == providerID; });
}

} // namespace tallyvane
