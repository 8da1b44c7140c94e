#pragma once

#include "FieldHasher.h"
#include "JsonValue.h"

#include <cstdint>
#include <initializer_list>

namespace tallyvane {

// What a provider can deliver, as a 16-bit flag set. In JSON it is its raw value.
class ProviderCapabilities {
public:
    static const ProviderCapabilities usageWindows;        // 1
    static const ProviderCapabilities resetTimes;          // 2
    static const ProviderCapabilities accountTokenHistory; // 4
    static const ProviderCapabilities modelTokenHistory;   // 8
    static const ProviderCapabilities dailyTokenTotals;    // 16
    static const ProviderCapabilities costAmounts;         // 32
    static const ProviderCapabilities requestCounts;       // 64
    static const ProviderCapabilities organizationUsage;   // 128

    constexpr ProviderCapabilities() = default;
    constexpr explicit ProviderCapabilities(std::uint16_t rawValue)
        : m_rawValue(rawValue)
    {
    }
    constexpr ProviderCapabilities(std::initializer_list<ProviderCapabilities> members)
    {
        for (ProviderCapabilities member : members)
            m_rawValue |= member.m_rawValue;
    }

    constexpr std::uint16_t rawValue() const { return m_rawValue; }
    constexpr bool isEmpty() const { return m_rawValue == 0; }
    constexpr bool contains(ProviderCapabilities member) const
    {
        return (m_rawValue & member.m_rawValue) == member.m_rawValue;
    }
    constexpr void insert(ProviderCapabilities member) { m_rawValue |= member.m_rawValue; }
    constexpr void remove(ProviderCapabilities member) { m_rawValue &= std::uint16_t(~member.m_rawValue); }

    constexpr ProviderCapabilities unionWith(ProviderCapabilities other) const
    {
        return ProviderCapabilities(std::uint16_t(m_rawValue | other.m_rawValue));
    }
    constexpr ProviderCapabilities intersection(ProviderCapabilities other) const
    {
        return ProviderCapabilities(std::uint16_t(m_rawValue & other.m_rawValue));
    }
    constexpr ProviderCapabilities symmetricDifference(ProviderCapabilities other) const
    {
        return ProviderCapabilities(std::uint16_t(m_rawValue ^ other.m_rawValue));
    }
    constexpr ProviderCapabilities subtracting(ProviderCapabilities other) const
    {
        return ProviderCapabilities(std::uint16_t(m_rawValue & ~other.m_rawValue));
    }

    friend constexpr bool operator==(ProviderCapabilities, ProviderCapabilities) = default;

private:
    std::uint16_t m_rawValue = 0;
};

inline constexpr ProviderCapabilities ProviderCapabilities::usageWindows{std::uint16_t(1)};
inline constexpr ProviderCapabilities ProviderCapabilities::resetTimes{std::uint16_t(2)};
inline constexpr ProviderCapabilities ProviderCapabilities::accountTokenHistory{std::uint16_t(4)};
inline constexpr ProviderCapabilities ProviderCapabilities::modelTokenHistory{std::uint16_t(8)};
inline constexpr ProviderCapabilities ProviderCapabilities::dailyTokenTotals{std::uint16_t(16)};
inline constexpr ProviderCapabilities ProviderCapabilities::costAmounts{std::uint16_t(32)};
inline constexpr ProviderCapabilities ProviderCapabilities::requestCounts{std::uint16_t(64)};
inline constexpr ProviderCapabilities ProviderCapabilities::organizationUsage{std::uint16_t(128)};

inline size_t qHash(ProviderCapabilities value, size_t seed = 0) noexcept
{
    return ::qHash(value.rawValue(), seed);
}

template <> struct JsonValue<ProviderCapabilities> {
    static QJsonValue write(ProviderCapabilities value) { return value.rawValue(); }
    static Decoded<ProviderCapabilities> read(const QJsonValue& json, QStringView path);
};

} // namespace tallyvane

TALLYVANE_STD_HASH(tallyvane::ProviderCapabilities)
