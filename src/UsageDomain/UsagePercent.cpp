#include "UsagePercent.h"

#include <algorithm>
#include <compare>
#include <cstdlib>

namespace tallyvane {

namespace {

// Far beyond any percentage worth showing, yet far from overflowing the arithmetic below.
constexpr qint64 percentLimit = 100'000'000'000'000'000;
constexpr int mantissaDigits = 18;

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
    if (exponent < -mantissaDigits)
        return result;
    const qint64 divisor = powerOfTen(-exponent);
    const qint64 remainder = mantissa % divisor;
    result.whole = mantissa / divisor;
    result.fractionSign = remainder > 0 ? 1 : (remainder < 0 ? -1 : 0);
    result.fractionVersusHalf = 2 * std::abs(remainder) <=> divisor; // fits: |remainder| < 10^18
    return result;
}

} // namespace

qint64 UsagePercent::used(const Decimal& fraction)
{
    const WholeAndFraction percent = split(fraction.scaledByPowerOfTen(2));
    const bool atLeastHalf = percent.fractionVersusHalf != std::strong_ordering::less;
    return percent.whole + (atLeastHalf ? percent.fractionSign : 0);
}

qint64 UsagePercent::remaining(const Decimal& usedFraction)
{
    // 100 - x: a positive fraction f leaves 1 - f, which is at least a half when f is at most a half.
    const WholeAndFraction percent = split(usedFraction.scaledByPowerOfTen(2));
    qint64 remaining = 100 - percent.whole;
    if (percent.fractionSign > 0)
        remaining += percent.fractionVersusHalf == std::strong_ordering::greater ? -1 : 0;
    else if (percent.fractionSign < 0)
        remaining += percent.fractionVersusHalf != std::strong_ordering::less ? 1 : 0;
    return std::max<qint64>(remaining, 0);
}

std::optional<qint64> UsagePercent::used(double fraction)
{
    return Decimal::fromDouble(fraction).transform([](const Decimal& exact) { return used(exact); });
}

std::optional<qint64> UsagePercent::remaining(double usedFraction)
{
    return Decimal::fromDouble(usedFraction).transform([](const Decimal& exact) { return remaining(exact); });
}

std::optional<Decimal> UsagePercent::usedFraction(const UsageWindowSample& window)
{
    if (window.usedFraction)
        return window.usedFraction;
    return window.remainingFraction.transform(&UsagePercent::complement);
}

std::optional<Decimal> UsagePercent::remainingFraction(const UsageWindowSample& window)
{
    if (window.remainingFraction)
        return window.remainingFraction;
    return window.usedFraction.transform(&UsagePercent::complement);
}

Decimal UsagePercent::complement(const Decimal& fraction)
{
    // 1 - m x 10^e = (10^-e - m) x 10^e, exact while 10^-e fits; beyond that the double is as
    // close as the number can be shown anyway.
    const int places = -fraction.exponent();
    qint64 difference = 0;
    if (places >= 0 && places <= mantissaDigits &&
        !__builtin_sub_overflow(powerOfTen(places), fraction.mantissa(), &difference))
        return Decimal(difference, -places);
    return Decimal::fromDouble(1.0 - fraction.toDouble()).value_or(Decimal());
}

} // namespace tallyvane
