#pragma once

#include <UsageDomain/EnumCases.h>

namespace tallyvane {

// Why the diagnostics report could not be saved; in every case the previous file is untouched.
enum class DiagnosticsExportError {
    cannotOpen,  // no temporary file next to the target (missing or unwritable folder, bad path)
    cannotWrite, // the temporary file did not take the whole text
    cannotCommit // flushing or replacing the target failed
};

template <> struct EnumCases<DiagnosticsExportError> {
    static constexpr std::array<std::string_view, 3> names{"cannotOpen", "cannotWrite", "cannotCommit"};
};

} // namespace tallyvane
