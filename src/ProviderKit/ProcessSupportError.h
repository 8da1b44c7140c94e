#pragma once

#include <UsageDomain/EnumCases.h>

#include <QHashFunctions>
#include <QString>

#include <utility>

namespace tallyvane {

// Why running a child failed. Deliberately carries nothing the child printed, no path and no
// platform error text, so none of it can reach the user.
enum class ProcessSupportError { launchFailed, timedOut, outputLimitExceeded };

template <> struct EnumCases<ProcessSupportError> {
    static constexpr std::array<std::string_view, 3> names{"launchFailed", "timedOut", "outputLimitExceeded"};
};

QString description(ProcessSupportError error);

inline size_t qHash(ProcessSupportError error, size_t seed = 0) noexcept
{
    return ::qHash(std::to_underlying(error), seed);
}

} // namespace tallyvane
