#pragma once

#include "CodexAccountUsagePayload.h"
#include "CodexRPCError.h"

#include <optional>

namespace tallyvane {

// The whole answer line to account/usage/read.
struct CodexAccountUsageEnvelope {
    std::optional<CodexAccountUsagePayload> result;
    std::optional<CodexRPCError> error;

    friend bool operator==(const CodexAccountUsageEnvelope&, const CodexAccountUsageEnvelope&) = default;
};

template <> struct JsonValue<CodexAccountUsageEnvelope> {
    static Decoded<CodexAccountUsageEnvelope> read(const QJsonValue& json, QStringView path);
};

} // namespace tallyvane
