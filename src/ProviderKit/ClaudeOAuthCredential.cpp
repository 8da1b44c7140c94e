#include "ClaudeOAuthCredential.h"

#include <UsageDomain/JsonObjectReader.h>
#include <UsageDomain/JsonObjectWriter.h>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

QJsonValue JsonValue<ClaudeOAuthCredential>::write(const ClaudeOAuthCredential& value)
{
    return JsonObjectWriter()
        .set("accessToken"_L1, value.accessToken)
        .set("refreshToken"_L1, value.refreshToken)
        .set("expiresAt"_L1, value.expiresAt)
        .set("scopes"_L1, QList<QString>(value.scopes))
        .object();
}

Decoded<ClaudeOAuthCredential> JsonValue<ClaudeOAuthCredential>::read(const QJsonValue& json, QStringView path)
{
    JsonObjectReader reader(json, path);
    ClaudeOAuthCredential value{
        .accessToken = reader.required<QString>("accessToken"_L1),
        .refreshToken = reader.required<QString>("refreshToken"_L1),
        .expiresAt = reader.required<Instant>("expiresAt"_L1),
        .scopes = reader.required<QList<QString>>("scopes"_L1),
    };
    return reader.finish(std::move(value));
}

} // namespace tallyvane
