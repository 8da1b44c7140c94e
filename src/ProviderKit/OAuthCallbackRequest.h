#pragma once

#include "ClaudeOAuthError.h"
#include "OAuthCallback.h"

#include <QByteArray>
#include <QByteArrayView>

#include <expected>
#include <optional>

namespace tallyvane {

// The HTTP side of the loopback sign-in listener, kept free of sockets so it can be tested and
// fuzzed on plain bytes.
class OAuthCallbackRequest {
public:
    // Reads "code" and "state" from the request line of one browser request for "/callback".
    // Anything else (no request line, no target, a malformed target, another path, a missing
    // or empty code or state) is invalidCallback.
    static std::expected<OAuthCallback, ClaudeOAuthError> parse(QByteArrayView request);
    // The first non-empty "state" of a request for "/callback", with or without a code: a
    // refusal by the authorisation server still carries it.
    static std::optional<QString> state(QByteArrayView request);

    // The reply that sends the browser on to the success page; `location` must already be an
    // encoded URL (no CR or LF).
    static QByteArray redirectReply(QByteArrayView location);
    // The plain answer to every request that does not carry the sign-in's state.
    static QByteArray badRequestReply();
    // A short plain-text page for a sign-in that came back but could not be completed.
    static QByteArray failureReply(const QString& text);
};

} // namespace tallyvane
