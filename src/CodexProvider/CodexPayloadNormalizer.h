#pragma once

#include "CodexProviderError.h"

#include <UsageDomain/Instant.h>
#include <UsageDomain/JsonDecodingError.h>
#include <UsageDomain/ProviderCollectionResult.h>

#include <QByteArray>
#include <QUuid>

#include <expected>
#include <optional>
#include <variant>

namespace tallyvane {

// Why no result could be made: the rate-limit line did not decode, or it decoded to an
// error answer or an answer without a result (CodexProviderError::Kind::protocolError).
using CodexNormalizationFailure = std::variant<JsonDecodingError, CodexProviderError>;

// Turns the app-server's two answer lines into provider-neutral windows and day buckets.
// Only the rate-limit answer can fail the whole collection; every other defect is dropped
// with a diagnostic whose text never quotes the payload.
class CodexPayloadNormalizer {
public:
    static std::expected<ProviderCollectionResult, CodexNormalizationFailure>
    normalize(const QByteArray& rateLimitLine, const std::optional<QByteArray>& usageLine,
              const QUuid& connectionID, Instant observedAt, const std::optional<QString>& sourceVersion);
};

} // namespace tallyvane
