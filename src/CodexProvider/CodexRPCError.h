#pragma once

#include <UsageDomain/JsonValue.h>

#include <cstdint>

namespace tallyvane {

// The "error" object of a JSON-RPC answer. Only the code is read: the message is server text
// and must never reach a diagnostic.
struct CodexRPCError {
    std::int64_t code = 0;

    friend bool operator==(const CodexRPCError&, const CodexRPCError&) = default;
};

template <> struct JsonValue<CodexRPCError> {
    static Decoded<CodexRPCError> read(const QJsonValue& json, QStringView path);
};

} // namespace tallyvane
