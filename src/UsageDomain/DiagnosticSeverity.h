#pragma once

#include "EnumCases.h"

namespace tallyvane {

// How serious a diagnostic is; only error counts as a failed refresh.
enum class DiagnosticSeverity { info, warning, error };

template <> struct EnumCases<DiagnosticSeverity> {
    static constexpr std::array<std::string_view, 3> names{"info", "warning", "error"};
};

} // namespace tallyvane
