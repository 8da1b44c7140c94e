#include "ClaudeTokenPayload.h"

#include <UsageDomain/JsonObjectReader.h>

#include <QJsonObject>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

bool ClaudeTokenPayload::isHeaderSafe(QStringView token)
{
    return !token.isEmpty() &&
           std::ranges::all_of(token, [](QChar c) { return c.unicode() > 0x20 && c.unicode() < 0x7f; });
}

Decoded<ClaudeTokenPayload> JsonValue<ClaudeTokenPayload>::read(const QJsonValue& json, QStringView path)
{
    JsonObjectReader reader(json, path);
    ClaudeTokenPayload payload{
        .accessToken = reader.required<QString>("access_token"_L1),
        .refreshToken = reader.optional<QString>("refresh_token"_L1),
        .expiresIn = 0,
        .scope = reader.optional<QString>("scope"_L1),
    };
    auto decoded = reader.finish(std::move(payload));
    if (!decoded)
        return decoded;

    // A floating-point number of seconds: no domain type reads that, so it is read here.
    const QJsonValue expiresIn = json.toObject().value("expires_in"_L1);
    const QString expiresPath = path.isEmpty() ? u"expires_in"_s : path + u".expires_in"_s;
    if (expiresIn.isUndefined())
        return std::unexpected(decodingError(JsonDecodingError::Reason::missingKey, expiresPath));
    if (!expiresIn.isDouble())
        return std::unexpected(decodingError(JsonDecodingError::Reason::wrongKind, expiresPath));
    decoded->expiresIn = expiresIn.toDouble();

    if (!ClaudeTokenPayload::isHeaderSafe(decoded->accessToken)) {
        const QString tokenPath = path.isEmpty() ? u"access_token"_s : path + u".access_token"_s;
        return std::unexpected(decodingError(JsonDecodingError::Reason::outOfRange, tokenPath));
    }
    return decoded;
}

} // namespace tallyvane
