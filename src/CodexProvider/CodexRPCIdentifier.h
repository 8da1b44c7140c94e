#pragma once

#include "CodexRPCError.h"

#include <UsageDomain/JsonValue.h>

#include <cstdint>
#include <optional>

namespace tallyvane {

// What the transport reads of every app-server line: which request it answers, and whether
// it is an error. Everything else on the line is left to the normaliser.
struct CodexRPCIdentifier {
    std::optional<std::int64_t> id;
    std::optional<CodexRPCError> error;

    friend bool operator==(const CodexRPCIdentifier&, const CodexRPCIdentifier&) = default;
};

template <> struct JsonValue<CodexRPCIdentifier> {
    static Decoded<CodexRPCIdentifier> read(const QJsonValue& json, QStringView path);
};

} // namespace tallyvane
