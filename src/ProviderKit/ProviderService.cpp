#include "ProviderService.h"

#include <UsageDomain/Localizable.h>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

QString providerID(ProviderService service)
{
    return service == ProviderService::codex ? u"app.tallyvane.codex.subscription"_s
                                             : u"app.tallyvane.claude.subscription"_s;
}

QString displayName(ProviderService service)
{
    return service == ProviderService::codex ? u"Codex"_s : u"Claude"_s;
}

int sortOrder(ProviderService service)
{
    return static_cast<int>(service);
}

bool ownsCredentials(ProviderService service)
{
    return service == ProviderService::claude;
}

QString connectExplanation(ProviderService service)
{
    return service == ProviderService::codex
               ? localized("Opens the official ChatGPT sign-in managed by Codex.")
               : localized("Opens Claude sign-in in your browser. Inference permission is never requested.");
}

QString disconnectExplanation(ProviderService service)
{
    return service == ProviderService::codex
               ? localized("Signs out the shared ChatGPT session used by Tallyvane and the Codex CLI.")
               : localized("Revokes this app's Claude tokens and removes them from the keyring.");
}

std::optional<ProviderService> serviceForProviderID(QStringView id)
{
    for (ProviderService service : allCases<ProviderService>()) {
        if (id == providerID(service))
            return service;
    }
    return std::nullopt;
}

} // namespace tallyvane
