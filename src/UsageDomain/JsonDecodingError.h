#pragma once

#include "EnumCases.h"

#include <QString>

namespace tallyvane {

// Why a JSON document could not be decoded, and where: keyPath names the key, e.g.
// "source.displayName" or "diagnostics[1].severity"; empty for the document itself.
struct JsonDecodingError {
    enum class Reason { malformedDocument, missingKey, wrongKind, unknownCase, invalidUuid, outOfRange };

    Reason reason = Reason::malformedDocument;
    QString keyPath;

    friend bool operator==(const JsonDecodingError&, const JsonDecodingError&) = default;
};

template <> struct EnumCases<JsonDecodingError::Reason> {
    static constexpr std::array<std::string_view, 6> names{"malformedDocument", "missingKey",  "wrongKind",
                                                           "unknownCase",       "invalidUuid", "outOfRange"};
};

} // namespace tallyvane
