#pragma once

#include "CodexPayloadNormalizer.h"

#include <UsageDomain/ProviderDiagnostic.h>

namespace tallyvane {

// The one error diagnostic a failed Codex collection reports. Fixed sentences only: neither
// the server's error code nor anything the child printed may reach the user.
class CodexFailureDiagnostic {
public:
    CodexFailureDiagnostic() = delete;

    static ProviderDiagnostic of(const CodexProviderError& error);
    static ProviderDiagnostic of(const CodexNormalizationFailure& failure);
};

} // namespace tallyvane
