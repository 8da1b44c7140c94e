#include "ClaudeProviderIdentity.h"

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

ProviderDescriptor ClaudeProviderIdentity::providerDescriptor()
{
    return ProviderDescriptor{
        .id = u"app.tallyvane.claude.subscription"_s,
        .displayName = u"Claude"_s,
        .integrationNotice =
            u"Queries the signed-in Claude account directly. The personal usage endpoint is not "
            u"publicly documented by Anthropic."_s,
    };
}

SourceDescriptor ClaudeProviderIdentity::sourceDescriptor()
{
    return SourceDescriptor{
        .id = u"claude.oauthUsage"_s,
        .displayName = u"Claude account usage"_s,
        .isDocumented = false,
    };
}

} // namespace tallyvane
