#pragma once

#include "ClaudeOAuthError.h"
#include "NetworkTransportError.h"

#include <QString>

#include <variant>

namespace tallyvane {

// What a Claude session operation can fail with: one of its own steps, or the network under a
// token request, passed on as it is so callers can tell "server said no" from "no server".
using ClaudeSessionError = std::variant<ClaudeOAuthError, NetworkTransportError>;

inline QString caseName(const ClaudeSessionError& error)
{
    return std::visit([](auto value) { return caseName(value); }, error);
}

} // namespace tallyvane
