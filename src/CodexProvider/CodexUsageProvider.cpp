#include "CodexUsageProvider.h"

#include "CodexAppServerTransport.h"
#include "CodexFailureDiagnostic.h"
#include "CodexPayloadNormalizer.h"
#include "CodexProviderIdentity.h"

#include <ProviderKit/ExecutableLocator.h>
#include <ProviderKit/FoundationCommandRunner.h>

#include <QDir>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {

const QString capabilityMarker = u"app-server"_s;

QString decodedText(const QByteArray& bytes)
{
    return QString::fromUtf8(bytes).trimmed();
}

ProviderCollectionResult failedCollection(const UsageCollectionRequest& request,
                                          ProviderDiagnostic diagnostic)
{
    return ProviderCollectionResult{
        .provider = CodexProviderIdentity::provider(),
        .collectedAt = request.observedAt,
        .windows = {},
        .tokenBuckets = {},
        .diagnostics = {std::move(diagnostic)},
    };
}

} // namespace

CodexUsageProvider::CodexUsageProvider(CodexLookup lookup, std::shared_ptr<CommandRunning> commandRunner)
    : m_lookup(std::move(lookup))
    , m_commandRunner(commandRunner ? std::move(commandRunner) : std::make_shared<FoundationCommandRunner>())
{
}

ProviderDescriptor CodexUsageProvider::descriptor() const
{
    return CodexProviderIdentity::provider();
}

QCoro::Task<ProviderProbeResult> CodexUsageProvider::probe()
{
    // Copied before the first suspension: nothing of `this` is touched after it.
    const std::shared_ptr<CommandRunning> runner = m_commandRunner;
    ProviderProbeResult result{.provider = descriptor(),
                               .availability = ProviderAvailability::notInstalled,
                               .capabilities = {},
                               .sourceVersion = std::nullopt,
                               .diagnostics = {}};
    const std::optional<LocatedExecutable> executable = m_lookup.locate();
    if (!executable)
        co_return result;

    // Both start now; both are awaited, even when the first has already failed.
    QCoro::Task<CommandResult> versionQuery =
        runner->run(executable->executablePath, {u"--version"_s}, executable->environment,
                    probeTimeoutSeconds, versionOutputLimit);
    QCoro::Task<CommandResult> capabilityQuery =
        runner->run(executable->executablePath, {u"app-server"_s, u"--help"_s}, executable->environment,
                    probeTimeoutSeconds, capabilityOutputLimit);
    const CommandResult version = co_await versionQuery;
    const CommandResult capability = co_await capabilityQuery;

    if (!version || !capability) {
        result.availability = ProviderAvailability::temporarilyUnavailable;
        result.diagnostics = {ProviderDiagnostic{
            .severity = DiagnosticSeverity::warning,
            .code = u"codex.probe_failed"_s,
            .message = u"The Codex executable was found but could not be capability-probed."_s}};
        co_return result;
    }
    const QString versionText = decodedText(version->standardOutput);
    if (version->status == 0 && capability->status == 0 &&
        decodedText(capability->standardOutput).contains(capabilityMarker)) {
        result.availability = ProviderAvailability::availableWithLimitations;
        result.capabilities = {ProviderCapabilities::usageWindows, ProviderCapabilities::resetTimes,
                               ProviderCapabilities::accountTokenHistory};
        result.sourceVersion = versionText;
        result.diagnostics = {ProviderDiagnostic{
            .severity = DiagnosticSeverity::info,
            .code = u"codex.experimental_protocol"_s,
            .message = u"Codex collection uses a capability-probed experimental local protocol."_s}};
        co_return result;
    }
    result.availability = ProviderAvailability::unsupportedVersion;
    if (!versionText.isEmpty())
        result.sourceVersion = versionText;
    co_return result;
}

QCoro::Task<ProviderCollectionResult> CodexUsageProvider::collect(UsageCollectionRequest request)
{
    const std::shared_ptr<CommandRunning> runner = m_commandRunner;
    const std::optional<LocatedExecutable> executable = m_lookup.locate();
    if (!executable) {
        co_return failedCollection(
            request,
            ProviderDiagnostic{.severity = DiagnosticSeverity::error,
                               .code = u"codex.not_installed"_s,
                               .message = u"Codex is not installed or its executable is not configured."_s});
    }

    const CodexAppServerTransport transport(executable->executablePath, executable->environment,
                                            exchangeTimeoutSeconds, exchangeOutputLimit);
    QCoro::Task<std::expected<CodexAppServerResponse, CodexProviderError>> exchange = transport.fetch();
    const std::expected<CodexAppServerResponse, CodexProviderError> response = co_await exchange;
    if (!response)
        co_return failedCollection(request, CodexFailureDiagnostic::of(response.error()));

    // The version only labels the samples; its failure never fails the collection.
    QCoro::Task<CommandResult> versionQuery =
        runner->run(executable->executablePath, {u"--version"_s}, executable->environment,
                    collectionVersionTimeoutSeconds, versionOutputLimit);
    const CommandResult version = co_await versionQuery;
    std::optional<QString> sourceVersion;
    if (version && version->status == 0) {
        if (QString text = decodedText(version->standardOutput); !text.isEmpty())
            sourceVersion = std::move(text);
    }

    auto normalized =
        CodexPayloadNormalizer::normalize(response->rateLimits, response->accountUsage, request.connectionID,
                                          request.observedAt, sourceVersion);
    if (!normalized)
        co_return failedCollection(request, CodexFailureDiagnostic::of(normalized.error()));
    co_return std::move(*normalized);
}

} // namespace tallyvane
