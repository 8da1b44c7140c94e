#include "SampleSnapshot.h"

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

WidgetUsageSnapshot sampleSnapshot(WidgetDate now)
{
    const auto provider = [now](WidgetProviderService service, const QString& id, double used,
                                double resetsIn) {
        return WidgetProviderUsage{
            .service = service,
            .state = WidgetProviderState::available,
            .windows = {WidgetWindow(id, u"Five-hour"_s, used, now.addingSeconds(resetsIn))}};
    };
    return {.updatedAt = now,
            .providers = {provider(WidgetProviderService::codex, u"codex-session"_s, 0.31, 5400),
                          provider(WidgetProviderService::claude, u"claude-session"_s, 0.58, 8100)}};
}

} // namespace tallyvane
