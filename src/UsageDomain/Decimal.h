#pragma once

#include <QString>
#include <QStringView>

#include <compare>
#include <cstdint>
#include <optional>

namespace tallyvane {

// An exact base-10 number: mantissa x 10^exponent. Kept normalised (no trailing zeros in the
// mantissa, zero has exponent 0), so equal values have equal representations and hash alike.
class Decimal {
public:
    constexpr Decimal() = default;
    Decimal(std::int64_t mantissa, int exponent);
    static Decimal fromInteger(std::int64_t value) { return Decimal(value, 0); }

    // Plain or scientific notation ("42.5", "-1e-3"). Absent when the text is not a number or
    // needs more than 18 significant digits.
    static std::optional<Decimal> fromString(QStringView text);
    // From the shortest text that round-trips the double: exact for every literal of up to
    // 15 significant digits. Absent for NaN and infinities.
    static std::optional<Decimal> fromDouble(double value);

    std::int64_t mantissa() const { return m_mantissa; }
    int exponent() const { return m_exponent; }
    bool isZero() const { return m_mantissa == 0; }
    bool isNegative() const { return m_mantissa < 0; }

    double toDouble() const;
    QString toString() const;

    // Exact multiplication by a power of ten: scaledByPowerOfTen(-2) divides by 100.
    Decimal scaledByPowerOfTen(int power) const;

    friend bool operator==(const Decimal&, const Decimal&) = default;
    friend std::strong_ordering operator<=>(const Decimal& lhs, const Decimal& rhs);

private:
    std::int64_t m_mantissa = 0;
    int m_exponent = 0;
};

size_t qHash(const Decimal& value, size_t seed = 0) noexcept;

} // namespace tallyvane
