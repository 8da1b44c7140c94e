#include "Decimal.h"

#include <QHashFunctions>

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace tallyvane {

namespace {

__extension__ using Wide = __int128;

constexpr int maximumDigits = 18;      // always fits a signed 64-bit mantissa
constexpr int maximumExponent = 10000; // far beyond any double; keeps arithmetic finite

int digitCount(std::int64_t value)
{
    int digits = 1;
    for (std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value) : value; magnitude >= 10;
         magnitude /= 10)
        ++digits;
    return digits;
}

Wide powerOfTen(int power)
{
    Wide result = 1;
    while (power-- > 0)
        result *= 10;
    return result;
}

} // namespace

Decimal::Decimal(std::int64_t mantissa, int exponent)
    : m_mantissa(mantissa)
    , m_exponent(mantissa == 0 ? 0 : exponent)
{
    while (m_mantissa != 0 && m_mantissa % 10 == 0) {
        m_mantissa /= 10;
        ++m_exponent;
    }
}

std::optional<Decimal> Decimal::fromString(QStringView text)
{
    qsizetype index = 0;
    const auto peek = [&] { return index < text.size() ? text[index].unicode() : char16_t(0); };

    bool negative = false;
    if (peek() == u'-' || peek() == u'+') {
        negative = peek() == u'-';
        ++index;
    }

    std::int64_t mantissa = 0;
    int digits = 0;
    int pendingZeros = 0; // zeros not yet multiplied in, so trailing zeros never overflow
    int exponent = 0;
    bool sawDigit = false;
    bool sawPoint = false;
    for (; index < text.size(); ++index) {
        const char16_t c = text[index].unicode();
        if (c == u'.' && !sawPoint) {
            sawPoint = true;
            continue;
        }
        if (c < u'0' || c > u'9')
            break;
        sawDigit = true;
        if (sawPoint)
            --exponent;
        if (c == u'0') {
            if (digits > 0)
                ++pendingZeros;
            continue;
        }
        if (digits + pendingZeros + 1 > maximumDigits)
            return std::nullopt;
        for (; pendingZeros > 0; --pendingZeros, ++digits)
            mantissa *= 10;
        mantissa = mantissa * 10 + (c - u'0');
        ++digits;
    }
    if (!sawDigit)
        return std::nullopt;
    exponent += pendingZeros;

    if (peek() == u'e' || peek() == u'E') {
        ++index;
        bool negativeExponent = false;
        if (peek() == u'-' || peek() == u'+') {
            negativeExponent = peek() == u'-';
            ++index;
        }
        int written = 0;
        bool sawExponentDigit = false;
        for (; index < text.size() && text[index] >= u'0' && text[index] <= u'9'; ++index) {
            sawExponentDigit = true;
            written = written * 10 + (text[index].unicode() - u'0');
            if (written > maximumExponent)
                return std::nullopt;
        }
        if (!sawExponentDigit)
            return std::nullopt;
        exponent += negativeExponent ? -written : written;
    }
    if (index != text.size() || exponent > maximumExponent || exponent < -maximumExponent)
        return std::nullopt;
    return Decimal(negative ? -mantissa : mantissa, exponent);
}

std::optional<Decimal> Decimal::fromDouble(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return fromString(QString::fromLatin1(buffer, result.ptr - buffer));
}

double Decimal::toDouble() const
{
    const std::string text = std::to_string(m_mantissa) + 'e' + std::to_string(m_exponent);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range) {
        // Beyond the double range the answer is an infinity, below it a zero, with the sign kept:
        // a wrong finite value would slip past every caller's finiteness check.
        const double magnitude = m_exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
        return m_mantissa < 0 ? -magnitude : magnitude;
    }
    return value;
}

QString Decimal::toString() const
{
    const bool negative = m_mantissa < 0;
    QString digits = QString::number(m_mantissa).remove(u'-');
    if (m_exponent >= 0) {
        digits.append(QString(m_exponent, u'0'));
    } else {
        const qsizetype integerDigits = digits.size() + m_exponent;
        if (integerDigits <= 0)
            digits = QStringLiteral("0.") + QString(-integerDigits, u'0') + digits;
        else
            digits.insert(integerDigits, u'.');
    }
    return negative ? u'-' + digits : digits;
}

Decimal Decimal::scaledByPowerOfTen(int power) const
{
    return Decimal(m_mantissa, m_mantissa == 0 ? 0 : m_exponent + power);
}

std::strong_ordering operator<=>(const Decimal& lhs, const Decimal& rhs)
{
    const auto sign = [](std::int64_t m) { return (m > 0) - (m < 0); };
    if (sign(lhs.m_mantissa) != sign(rhs.m_mantissa) || lhs.m_mantissa == 0)
        return sign(lhs.m_mantissa) <=> sign(rhs.m_mantissa);

    // Same sign, both non-zero: compare orders of magnitude first, then aligned mantissas.
    const int lhsMagnitude = lhs.m_exponent + digitCount(lhs.m_mantissa);
    const int rhsMagnitude = rhs.m_exponent + digitCount(rhs.m_mantissa);
    if (lhsMagnitude != rhsMagnitude) {
        const auto byMagnitude = lhsMagnitude <=> rhsMagnitude;
        return lhs.m_mantissa > 0 ? byMagnitude : 0 <=> byMagnitude;
    }
    const int common = std::min(lhs.m_exponent, rhs.m_exponent);
    const Wide left = Wide(lhs.m_mantissa) * powerOfTen(lhs.m_exponent - common);
    const Wide right = Wide(rhs.m_mantissa) * powerOfTen(rhs.m_exponent - common);
    return left <=> right;
}

size_t qHash(const Decimal& value, size_t seed) noexcept
{
    return qHashMulti(seed, value.mantissa(), value.exponent());
}

} // namespace tallyvane
