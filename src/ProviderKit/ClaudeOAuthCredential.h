#pragma once

#include <UsageDomain/Instant.h>
#include <UsageDomain/JsonValue.h>

#include <QStringList>

namespace tallyvane {

// The one Claude OAuth credential of the user. Lives in the keyring only.
struct ClaudeOAuthCredential {
    QString accessToken;
    QString refreshToken;
    Instant expiresAt;
    QStringList scopes;

    friend bool operator==(const ClaudeOAuthCredential&, const ClaudeOAuthCredential&) = default;
};

// The stored form: exactly "accessToken", "refreshToken", "expiresAt" (seconds since
// 2001-01-01) and "scopes"; all four required when reading.
template <>
struct JsonValue<ClaudeOAuthCredential> {
    static QJsonValue write(const ClaudeOAuthCredential& value);
    static Decoded<ClaudeOAuthCredential> read(const QJsonValue& json, QStringView path);
};

} // namespace tallyvane
