#pragma once

#include "FuzzCheck.h"

#include <UsageDomain/ProviderCollectionResult.h>

namespace tallyvane::fuzzing {

// Written, read back and written again, a record gives the same JSON. (Equal values are too
// much to ask: a decimal of more than 15 significant digits comes back as the nearest double's
// shortest text.)
template <typename T> bool survivesJson(const T& value)
{
    const QJsonValue written = toJson(value);
    const auto decoded = fromJson<T>(written);
    return decoded && toJson(*decoded) == written;
}

// What every normalised answer promises, whatever the payload held: shares within 0...1, and
// records that survive JSON.
inline void checkResult(const ProviderCollectionResult& result)
{
    for (const UsageWindowSample& window : result.windows) {
        if (window.usedFraction) {
            require(!window.usedFraction->isNegative() && *window.usedFraction <= Decimal::fromInteger(1),
                    "a used share lies within 0...1");
        }
        require(survivesJson(window), "a window survives JSON");
    }
    for (const TokenUsageBucket& bucket : result.tokenBuckets)
        require(survivesJson(bucket), "a token bucket survives JSON");
    for (const ProviderDiagnostic& diagnostic : result.diagnostics)
        require(survivesJson(diagnostic), "a diagnostic survives JSON");
    require(survivesJson(result.provider), "the descriptor survives JSON");
}

} // namespace tallyvane::fuzzing
