#include "UsageForecast.h"

#include <UsageDomain/UsagePercent.h>
#include <UsageDomain/UsageWindowSpan.h>

#include <algorithm>
#include <cmath>

namespace tallyvane {

namespace {

constexpr double secondsPerHour = 3600;
// Two readings closer than this say more about rounding than about a rate.
constexpr double shortestStretchSeconds = 600;
// Before this share of the window has passed, its average says little.
constexpr double earliestElapsedShare = 0.05;

// This period's readings, oldest first, ending with the window's own; from the last correction
// downwards on, so the rate is never negative.
QList<UsagePaceSample> periodReadings(const QList<UsagePaceSample>& earlier, UsagePaceSample current,
                                      std::optional<Instant> start, Instant now)
{
    QList<UsagePaceSample> readings;
    for (const UsagePaceSample& sample : earlier) {
        if (sample.observedAt < current.observedAt && sample.observedAt <= now &&
            (!start || sample.observedAt >= *start) && std::isfinite(sample.usedFraction))
            readings.append(sample);
    }
    std::ranges::stable_sort(readings, {}, &UsagePaceSample::observedAt);
    readings.append(current);
    for (qsizetype index = readings.size() - 1; index > 0; --index) {
        if (readings[index].usedFraction < readings[index - 1].usedFraction) {
            readings.remove(0, index);
            break;
        }
    }
    return readings;
}

// Share per hour over the readings, each stretch weighted by 2^(-hours since it ended).
std::optional<double> recentRate(const QList<UsagePaceSample>& readings, Instant now)
{
    if (readings.size() < 2 ||
        readings.last().observedAt.secondsSince(readings.first().observedAt) < shortestStretchSeconds)
        return std::nullopt;
    double used = 0;
    double seconds = 0;
    for (qsizetype index = 1; index < readings.size(); ++index) {
        const double age = std::max(0.0, now.secondsSince(readings[index].observedAt)) / secondsPerHour;
        const double weight = std::exp2(-age);
        used += weight * (readings[index].usedFraction - readings[index - 1].usedFraction);
        seconds += weight * readings[index].observedAt.secondsSince(readings[index - 1].observedAt);
    }
    return used / seconds * secondsPerHour;
}

} // namespace

std::optional<UsageForecast> UsageForecast::of(const UsageWindowSample& window,
                                               const QList<UsagePaceSample>& earlier, Instant now)
{
    const std::optional<double> used =
        UsagePercent::usedFraction(window).transform([](const Decimal& value) { return value.toDouble(); });
    if (!used || !std::isfinite(*used) || *used >= 1 || !window.resetAt || *window.resetAt <= now)
        return std::nullopt;
    const Instant resetAt = *window.resetAt;
    const std::optional<Instant> start = UsageWindowSpan::start(window);
    const UsagePaceSample current{std::min(window.observedAt, now), std::max(0.0, *used)};

    std::optional<double> rate = recentRate(periodReadings(earlier, current, start, now), now);
    if (!rate && start && now > *start) {
        const double elapsed = now.secondsSince(*start);
        if (elapsed >= earliestElapsedShare * resetAt.secondsSince(*start))
            rate = current.usedFraction / elapsed * secondsPerHour;
    }
    if (!rate)
        return UsageForecast{UsagePace::tooEarly, 0, current.usedFraction, std::nullopt, resetAt};

    const double hoursLeft = resetAt.secondsSince(current.observedAt) / secondsPerHour;
    const double projected = current.usedFraction + *rate * hoursLeft;
    if (projected <= 1)
        return UsageForecast{UsagePace::onPace, *rate, projected, std::nullopt, resetAt};
    const Instant runsOutAt =
        current.observedAt.addingSeconds((1 - current.usedFraction) / *rate * secondsPerHour);
    return UsageForecast{UsagePace::runsOut, *rate, projected, runsOutAt, resetAt};
}

double UsageForecast::secondsBeforeReset() const
{
    return runsOutAt ? std::max(0.0, resetAt.secondsSince(*runsOutAt)) : 0.0;
}

} // namespace tallyvane
