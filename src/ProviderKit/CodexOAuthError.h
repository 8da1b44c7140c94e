#pragma once

#include <UsageDomain/EnumCases.h>

#include <QString>

#include <cstdint>
#include <optional>

namespace tallyvane {

// Why a Codex sign-in or sign-out failed. Carries no text, login id, URL or child output on
// purpose: the wording is chosen where it is shown. Only rpcError carries a value, the
// app-server's error code (-1 when it sent none).
class CodexOAuthError {
public:
    enum class Kind {
        rpcError,
        browserCouldNotOpen,
        launchFailed,
        malformedResponse,
        outputLimitExceeded,
        pollFailed,
        signInFailed,
        streamEnded,
        timedOut,
        writeFailed,
    };

    // For the plain kinds; rpcError needs its code, see rpcError().
    constexpr CodexOAuthError(Kind kind)
        : m_kind(kind)
    {
    }
    static constexpr CodexOAuthError rpcError(std::int64_t code)
    {
        CodexOAuthError error(Kind::rpcError);
        error.m_code = code;
        return error;
    }

    constexpr Kind kind() const { return m_kind; }
    constexpr std::optional<std::int64_t> rpcCode() const
    {
        return m_kind == Kind::rpcError ? std::optional(m_code) : std::nullopt;
    }

    friend constexpr bool operator==(const CodexOAuthError&, const CodexOAuthError&) = default;

private:
    Kind m_kind;
    std::int64_t m_code = 0;
};

template <> struct EnumCases<CodexOAuthError::Kind> {
    static constexpr std::array<std::string_view, 10> names{
        "rpcError",   "browserCouldNotOpen", "launchFailed", "malformedResponse", "outputLimitExceeded",
        "pollFailed", "signInFailed",        "streamEnded",  "timedOut",          "writeFailed"};
};

// "timedOut", "rpcError(-32600)": for logs and test failure messages.
QString debugText(const CodexOAuthError& error);

} // namespace tallyvane
