#include "CodexProviderIdentity.h"

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

ProviderDescriptor CodexProviderIdentity::provider()
{
    return ProviderDescriptor{
        .id = u"app.tallyvane.codex.subscription"_s,
        .displayName = u"Codex"_s,
        .integrationNotice = u"Uses Codex's experimental local app-server protocol."_s,
    };
}

SourceDescriptor CodexProviderIdentity::source()
{
    return SourceDescriptor{
        .id = u"codex.appServer.experimental"_s,
        .displayName = u"Codex app-server"_s,
        .isDocumented = false,
    };
}

} // namespace tallyvane
