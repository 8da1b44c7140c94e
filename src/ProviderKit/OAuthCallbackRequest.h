#pragma once

#include "ClaudeOAuthError.h"
#include "OAuthCallback.h"

#include <QByteArray>
#include <QByteArrayView>

#include <expected>

namespace tallyvane {

// The HTTP side of the loopback sign-in listener, kept free of sockets so it can be tested and
// fuzzed on plain bytes.
class OAuthCallbackRequest {
public:
    // Reads "code" and "state" from the request line of one browser request for "/callback".
    // Anything else (no request line, no target, a malformed target, another path, a missing
    // or empty code or state) is invalidCallback.
    static std::expected<OAuthCallback, ClaudeOAuthError> parse(QByteArrayView request);

    // The reply that sends the browser on to the success page; `location` must already be an
    // encoded URL (no CR or LF).
    static QByteArray redirectReply(QByteArrayView location);
};

} // namespace tallyvane
