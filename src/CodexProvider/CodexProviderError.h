#pragma once

#include <UsageDomain/EnumCases.h>

#include <cstdint>
#include <optional>

namespace tallyvane {

// Why a Codex collection failed below the provider. Carries no text: the provider maps each
// kind to one fixed diagnostic. Only rpcError carries a value, the server's error code.
class CodexProviderError {
public:
    enum class Kind {
        rpcError,
        executableMissing,
        launchFailed,
        timedOut,
        outputLimitExceeded,
        protocolError,
        streamEnded,
        malformedLine,
        writeFailed,
        pollFailed,
    };

    // For the plain kinds; rpcError needs its code, see rpcError().
    constexpr CodexProviderError(Kind kind)
        : m_kind(kind)
    {
    }
    static constexpr CodexProviderError rpcError(std::int64_t code)
    {
        CodexProviderError error(Kind::rpcError);
        error.m_code = code;
        return error;
    }

    constexpr Kind kind() const { return m_kind; }
    constexpr std::optional<std::int64_t> rpcCode() const
    {
        return m_kind == Kind::rpcError ? std::optional(m_code) : std::nullopt;
    }

    friend constexpr bool operator==(const CodexProviderError&, const CodexProviderError&) = default;

private:
    Kind m_kind;
    std::int64_t m_code = 0;
};

template <> struct EnumCases<CodexProviderError::Kind> {
    static constexpr std::array<std::string_view, 10> names{
        "rpcError",      "executableMissing", "launchFailed",  "timedOut",    "outputLimitExceeded",
        "protocolError", "streamEnded",       "malformedLine", "writeFailed", "pollFailed"};
};

} // namespace tallyvane
