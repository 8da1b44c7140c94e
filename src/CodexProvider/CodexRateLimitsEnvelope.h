#pragma once

#include "CodexRPCError.h"
#include "CodexRateLimitsPayload.h"

#include <optional>

namespace tallyvane {

// The whole answer line to account/rateLimits/read; its "id" was matched by the transport.
struct CodexRateLimitsEnvelope {
    std::optional<CodexRateLimitsPayload> result;
    std::optional<CodexRPCError> error;

    friend bool operator==(const CodexRateLimitsEnvelope&, const CodexRateLimitsEnvelope&) = default;
};

template <> struct JsonValue<CodexRateLimitsEnvelope> {
    static Decoded<CodexRateLimitsEnvelope> read(const QJsonValue& json, QStringView path);
};

} // namespace tallyvane
