#include "CodexFailureDiagnostic.h"

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {

ProviderDiagnostic error(const QString& code, const QString& message)
{
    return ProviderDiagnostic{.severity = DiagnosticSeverity::error, .code = code, .message = message};
}

} // namespace

ProviderDiagnostic CodexFailureDiagnostic::of(const CodexProviderError& failure)
{
    using Kind = CodexProviderError::Kind;
    switch (failure.kind()) {
    case Kind::rpcError:
        return error(u"codex.rpc_error"_s, u"Codex declined a local usage request; sign-in or protocol "
                                           u"compatibility may need attention."_s);
    case Kind::launchFailed:
        return error(u"codex.launch_failed"_s, u"The Codex app-server process could not be started."_s);
    case Kind::timedOut:
        return error(u"codex.timeout"_s, u"Codex did not respond before the collection deadline."_s);
    case Kind::outputLimitExceeded:
        return error(u"codex.output_limit"_s, u"Codex exceeded the collector's safe output limit."_s);
    case Kind::protocolError:
        return error(u"codex.protocol_error"_s,
                     u"Codex app-server returned an incomplete or incompatible protocol response."_s);
    case Kind::streamEnded:
        return error(u"codex.stream_ended"_s,
                     u"Codex app-server ended before returning the requested usage data."_s);
    case Kind::malformedLine:
        return error(u"codex.malformed_line"_s,
                     u"Codex app-server emitted a line outside the expected JSON protocol."_s);
    case Kind::writeFailed:
        return error(u"codex.write_failed"_s,
                     u"The collector could not send a request to Codex app-server."_s);
    case Kind::pollFailed:
        return error(u"codex.stream_failed"_s,
                     u"The Codex app-server output stream could not be monitored safely."_s);
    case Kind::executableMissing:
        break;
    }
    return error(u"codex.collection_failed"_s,
                 u"Codex usage collection failed without exposing provider output."_s);
}

ProviderDiagnostic CodexFailureDiagnostic::of(const CodexNormalizationFailure& failure)
{
    if (const auto* providerError = std::get_if<CodexProviderError>(&failure))
        return of(*providerError);
    return error(u"codex.schema_error"_s, u"Codex usage data did not match the known normalized schema."_s);
}

} // namespace tallyvane
