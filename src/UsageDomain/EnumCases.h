#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>
#include <string_view>
#include <type_traits>
#include <utility>

namespace tallyvane {

// Every closed enumeration of the domain specialises EnumCases with its case names in
// declaration order; the enumerators are 0..N-1. The names are the raw values and JSON form.
template <typename E> struct EnumCases;

template <typename E>
concept CaseNamed = std::is_enum_v<E> && requires
{
    EnumCases<E>::names;
};

template <CaseNamed E> constexpr auto allCases()
{
    std::array<E, EnumCases<E>::names.size()> cases{};
    for (std::size_t i = 0; i < cases.size(); ++i)
        cases[i] = static_cast<E>(i);
    return cases;
}

template <CaseNamed E> QString caseName(E value)
{
    const std::string_view name = EnumCases<E>::names[static_cast<std::size_t>(std::to_underlying(value))];
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

// Exact, case-sensitive match of a raw value.
template <CaseNamed E> std::optional<E> caseNamed(QStringView name)
{
    const auto& names = EnumCases<E>::names;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (name == QLatin1StringView(names[i].data(), static_cast<qsizetype>(names[i].size())))
            return static_cast<E>(i);
    }
    return std::nullopt;
}

} // namespace tallyvane
