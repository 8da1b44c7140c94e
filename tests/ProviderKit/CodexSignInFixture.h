#pragma once

#include "FakeCodexScript.h"

#include <QJsonObject>

// What the Codex sign-in suites script the fake app-server with.
namespace tallyvane::testing::codexsignin {

using namespace Qt::Literals::StringLiterals;

inline const QString loginId = u"11111111-1111-4111-8111-111111111111"_s;
inline const QString authUrl =
    u"https://auth.example.com/oauth/authorize?response_type=code&redirect_uri=http%3A%2F%2F127.0.0.1%3A1455%2Fauth%2Fcallback&state=STATE-SECRET-5d1e"_s;

inline QJsonObject notification(const QString& method, const QJsonValue& params)
{
    return {{u"method"_s, method}, {u"params"_s, params}};
}

inline QJsonObject completed(const QJsonObject& params)
{
    return notification(u"account/login/completed"_s, params);
}

// The real app-server's handshake: a result, then unrelated notifications.
inline FakeCodexScript handshake()
{
    FakeCodexScript script;
    script.respondResult(u"initialize"_s, QJsonObject{{u"userAgent"_s, u"codex/0.171.0"_s}})
        .writeLine(notification(u"configWarning"_s, QJsonObject{{u"summary"_s, u"no sandbox"_s}}))
        .writeLine(
            notification(u"remoteControl/status/changed"_s, QJsonObject{{u"status"_s, u"disabled"_s}}));
    return script;
}

inline QJsonObject loginResult()
{
    return {{u"type"_s, u"chatgpt"_s}, {u"loginId"_s, loginId}, {u"authUrl"_s, authUrl}};
}

// Handshake, the sign-in answer, then the given notifications; the child then waits.
inline FakeCodexScript signIn(const QList<QJsonObject>& afterwards, const QJsonObject& result = loginResult())
{
    FakeCodexScript script = handshake();
    script.respondResult(u"account/login/start"_s, result);
    for (const QJsonObject& message : afterwards)
        script.writeLine(message);
    return script;
}

} // namespace tallyvane::testing::codexsignin
