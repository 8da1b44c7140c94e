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
        script.respondResult(u"account/usage/read"_s, *usageResult);
    else
        script.respondError(u"account/usage/read"_s, -32600,
                            u"codex account authentication required to read token usage"_s);
    return script;
}

FakeCodexScript& FakeCodexScript::expect(const QString& method)
{
    return add({{u"expect"_s, method}});
}

FakeCodexScript& FakeCodexScript::respond(const QString& method, const QJsonObject& answer)
{
    return add({{u"expect"_s, method}, {u"respond"_s, answer}});
}

FakeCodexScript& FakeCodexScript::respondResult(const QString& method, const QJsonValue& result)
{
    return respond(method, {{u"result"_s, result}});
}

FakeCodexScript& FakeCodexScript::respondError(const QString& method, int code, const QString& message)
{
    QJsonObject error{{u"code"_s, code}};
    if (!message.isEmpty())
        error.insert(u"message"_s, message);
    return respond(method, {{u"error"_s, error}});
}

FakeCodexScript& FakeCodexScript::respondToEveryRequest(const QJsonObject& answer)
{
    return add({{u"expect"_s, u"*"_s}, {u"respond"_s, answer}, {u"repeat"_s, true}});
}

FakeCodexScript& FakeCodexScript::writeLine(const QJsonObject& message)
{
    return add({{u"emit"_s, message}});
}

FakeCodexScript& FakeCodexScript::writeRaw(const QString& text)
{
    return add({{u"emitRaw"_s, text}});
}

FakeCodexScript& FakeCodexScript::writeStderr(const QString& text)
{
    return add({{u"stderr"_s, text}});
}

FakeCodexScript& FakeCodexScript::fill(qint64 bytes, Fill style)
{
    return add({{u"fill"_s, bytes}, {u"style"_s, style == Fill::raw ? u"raw"_s : u"lines"_s}});
}

FakeCodexScript& FakeCodexScript::sleep(int milliseconds)
{
    return add({{u"sleepMs"_s, milliseconds}});
}

FakeCodexScript& FakeCodexScript::closeStdin()
{
    return add({{u"closeStdin"_s, true}});
}

FakeCodexScript& FakeCodexScript::closeStdout()
{
    return add({{u"closeStdout"_s, true}});
}

FakeCodexScript& FakeCodexScript::spawnGrandchild(int holdMs)
{
    return add({{u"grandchild"_s, QJsonObject{{u"holdMs"_s, holdMs}}}});
}

FakeCodexScript& FakeCodexScript::exitWith(int status)
{
    return add({{u"exit"_s, status}});
}

FakeCodexScript& FakeCodexScript::raiseSignal(int signalNumber)
{
    return add({{u"raise"_s, signalNumber}});
}

FakeCodexScript& FakeCodexScript::ignoreSigterm(bool ignore)
{
    m_ignoreSigterm = ignore;
    return *this;
}

QJsonObject FakeCodexScript::toJson() const
{
    return {{u"ignoreSigterm"_s, m_ignoreSigterm}, {u"steps"_s, m_steps}};
}

FakeCodexScript& FakeCodexScript::add(const QJsonObject& step)
{
    m_steps.append(step);
    return *this;
}

} // namespace tallyvane::testing
