#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>

namespace tallyvane::testing {

// A good answer of the Claude token endpoint; a refresh token or scope given as nullopt is left out.
inline QJsonObject claudeTokenAnswer(const QString& access,
                                     std::optional<QString> refresh = QStringLiteral("new-refresh-r2"),
                                     std::optional<QString> scope = std::nullopt, double expiresIn = 3600)
{
    QJsonObject answer{{QStringLiteral("access_token"), access},
                       {QStringLiteral("expires_in"), expiresIn},
                       {QStringLiteral("token_type"), QStringLiteral("Bearer")}};
    if (refresh)
        answer.insert(QStringLiteral("refresh_token"), *refresh);
    if (scope)
        answer.insert(QStringLiteral("scope"), *scope);
    return answer;
}

} // namespace tallyvane::testing
