#pragma once

#include <QHashFunctions>

#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

namespace tallyvane {

// Combines the hashes of a record's fields in declaration order. Absent optionals hash
// differently from any present value.
class FieldHasher {
public:
    explicit FieldHasher(size_t seed)
        : m_seed(seed)
    {
    }

    template <typename T> FieldHasher& add(const T& value)
    {
        m_seed = QtPrivate::QHashCombine{}(m_seed, hashOf(value));
        return *this;
    }

    size_t result() const { return m_seed; }

private:
    template <typename T> static size_t hashOf(const std::optional<T>& value)
    {
        return value ? QtPrivate::QHashCombine{}(size_t(1), hashOf(*value)) : size_t(0);
    }

    template <typename T> static size_t hashOf(const T& value)
    {
        using ::qHash; // Qt's overloads alongside ours, which argument lookup finds
        if constexpr (std::is_enum_v<T>)
            return qHash(std::to_underlying(value));
        else
            return qHash(value);
    }

    size_t m_seed;
};

} // namespace tallyvane

// Lets a record with a qHash overload key a std::unordered_map as well as a QHash.
#define TALLYVANE_STD_HASH(Type)                                                                             \
    template <> struct std::hash<Type> {                                                                     \
        size_t operator()(const Type& value) const noexcept { return qHash(value); }                         \
    };
