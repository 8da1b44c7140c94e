#include "FakeCodexScript.h"

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::testing {

FakeCodexScript FakeCodexScript::answer(const QByteArray& standardOutput, int exitStatus,
                                        const QByteArray& standardError, int delayMs)
{
    FakeCodexScript script;
    if (delayMs > 0)
        script.sleep(delayMs);
    if (!standardOutput.isEmpty())
        script.writeRaw(QString::fromUtf8(standardOutput));
    if (!standardError.isEmpty())
        script.writeStderr(QString::fromUtf8(standardError));
    return script.exitWith(exitStatus);
}

FakeCodexScript FakeCodexScript::usageExchange(const QJsonValue& rateLimitsResult,
                                               const std::optional<QJsonValue>& usageResult)
{
    FakeCodexScript script;
    script.respondResult(u"initialize"_s, QJsonObject{{u"userAgent"_s, u"tallyvane/0.171.0"_s},
                                                      {u"platformFamily"_s, u"unix"_s},
                                                      {u"platformOs"_s, u"linux"_s}});
    script.writeLine({{u"method"_s, u"remoteControl/status/changed"_s},
                      {u"params"_s, QJsonObject{{u"status"_s, u"disabled"_s}}}});
    script.respondResult(u"account/rateLimits/read"_s, rateLimitsResult);
    if (usageResult)
        return script.respondResult(u"account/usage/read"_s, *usageResult);
    return script.respondError(u"account/usage/read"_s, -32600,
                               u"codex account authentication required to read token usage"_s);
}

FakeCodexScript& FakeCodexScript::respondError(const QString& method, int code, const QString& message)
{
    QJsonObject error{{u"code"_s, code}};
    if (!message.isEmpty())
        error.insert(u"message"_s, message);
    return respond(method, {{u"error"_s, error}});
}

} // namespace tallyvane::testing
