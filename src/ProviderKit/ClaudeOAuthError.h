#pragma once

#include <UsageDomain/EnumCases.h>

#include <QHashFunctions>

#include <utility>

namespace tallyvane {

// Why a step of Claude sign-in, token upkeep or credential storage failed. Carries no text on
// purpose: the wording is chosen where it is shown, and nothing secret can ride along.
enum class ClaudeOAuthError {
    browserCouldNotOpen,
    callbackFailed,
    invalidCallback,
    stateMismatch,
    tokenExchangeFailed,
    tokenRefreshFailed,
    credentialStorageFailed,
    signedOut
};

template <> struct EnumCases<ClaudeOAuthError> {
    static constexpr std::array<std::string_view, 8> names{
        "browserCouldNotOpen", "callbackFailed",     "invalidCallback",         "stateMismatch",
        "tokenExchangeFailed", "tokenRefreshFailed", "credentialStorageFailed", "signedOut"};
};

inline size_t qHash(ClaudeOAuthError error, size_t seed = 0) noexcept
{
    return ::qHash(std::to_underlying(error), seed);
}

} // namespace tallyvane
