#include "SignInNotice.h"

#include <UsageDomain/Localizable.h>

namespace tallyvane {

ProviderAvailability SignInNotice::availability(ProviderConnectionStatus status)
{
    switch (status) {
    case ProviderConnectionStatus::notInstalled:
        return ProviderAvailability::notInstalled;
    case ProviderConnectionStatus::unsupportedVersion:
        return ProviderAvailability::unsupportedVersion;
    default:
        return ProviderAvailability::authenticationRequired;
    }
}

ProviderDiagnostic SignInNotice::diagnostic(ProviderService service, const std::optional<QString>& detail)
{
    const QString message = detail && !detail->isEmpty()
                                ? QCoreApplication::translate("Localizable", detail->toUtf8().constData())
                                : localized("Sign in to access this account's usage.");
    return {DiagnosticSeverity::warning, caseName(service) + u".authentication_required", message};
}

} // namespace tallyvane
