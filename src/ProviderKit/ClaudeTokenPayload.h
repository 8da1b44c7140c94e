#pragma once

#include <UsageDomain/JsonValue.h>

#include <QString>

#include <optional>

namespace tallyvane {

// The token endpoint's answer. Keys other than these four are ignored; a missing required key
// or a value of the wrong kind makes the whole answer unusable.
struct ClaudeTokenPayload {
    QString accessToken;
    std::optional<QString> refreshToken;
    double expiresIn = 0;         // seconds
    std::optional<QString> scope; // space-separated

    friend bool operator==(const ClaudeTokenPayload&, const ClaudeTokenPayload&) = default;

    // An access token travels in a header line; one that is empty or has anything but visible
    // ASCII in it could end or split that line, so it is refused like a malformed answer.
    static bool isHeaderSafe(QStringView token);
};

template <> struct JsonValue<ClaudeTokenPayload> {
    static Decoded<ClaudeTokenPayload> read(const QJsonValue& json, QStringView path);
};

} // namespace tallyvane
