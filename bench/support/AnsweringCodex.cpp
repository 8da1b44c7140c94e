#include "AnsweringCodex.h"

#include <QJsonArray>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::bench {

std::expected<testing::FakeCodexScenario, QString> installAnsweringCodex(const QString& directory)
{
    using testing::FakeCodexCommand;
    using testing::FakeCodexScript;
    auto fake = testing::FakeCodexScenario::install(directory);
    if (!fake)
        return fake;
    const QJsonObject window{
        {u"usedPercent"_s, 42}, {u"windowDurationMins"_s, 300}, {u"resetsAt"_s, 1767225600}};
    const QJsonObject rateLimits{{u"rateLimits"_s, QJsonObject{{u"primary"_s, window}}}};
    const QJsonObject usage{{u"dailyUsageBuckets"_s, QJsonArray{QJsonObject{{u"startDate"_s, u"2026-12-01"_s},
                                                                            {u"tokens"_s, 1200}}}}};
    if (!fake->set(FakeCodexCommand::version, FakeCodexScript::answer("codex-cli 0.171.0\n")) ||
        !fake->set(FakeCodexCommand::appServer, FakeCodexScript::usageExchange(rateLimits, usage)))
        return std::unexpected(u"could not write the fake codex script"_s);
    return fake;
}

} // namespace tallyvane::bench
