#include "ClaudeUtilization.h"

#include <UsageDomain/JsonObjectReader.h>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

Decoded<ClaudeUtilization> JsonValue<ClaudeUtilization>::read(const QJsonValue& json, QStringView path)
{
    JsonObjectReader r(json, path);
    ClaudeUtilization v{
        .fiveHour = r.optional<ClaudeUtilizationWindow>("five_hour"_L1),
        .sevenDay = r.optional<ClaudeUtilizationWindow>("seven_day"_L1),
        .sevenDayOAuthApps = r.optional<ClaudeUtilizationWindow>("seven_day_oauth_apps"_L1),
        .sevenDayOpus = r.optional<ClaudeUtilizationWindow>("seven_day_opus"_L1),
        .sevenDaySonnet = r.optional<ClaudeUtilizationWindow>("seven_day_sonnet"_L1),
        .sevenDayCowork = r.optional<ClaudeUtilizationWindow>("seven_day_cowork"_L1),
    };
    return r.finish(std::move(v));
}

} // namespace tallyvane
