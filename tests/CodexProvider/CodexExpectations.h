#pragma once

#include <UsageDomain/Instant.h>
#include <UsageDomain/ProviderDescriptor.h>
#include <UsageDomain/ProviderDiagnostic.h>

#include <QList>
#include <QStringList>
#include <QUuid>

// What the Codex suites share: one connection observed at one moment, and the texts every
// Codex result carries.
namespace tallyvane::testing {

inline const QUuid codexConnection =
    QUuid::fromString(QStringLiteral("3f2b8c1a-9d4e-4f6a-b7c8-0a1b2c3d4e5f"));
// A fraction past the half: the record ids must truncate, not round.
inline const Instant codexObservedAt = Instant::fromSecondsSince1970(1767225600.75);

inline const ProviderDescriptor codexDescriptor{
    QStringLiteral("app.tallyvane.codex.subscription"), QStringLiteral("Codex"),
    QStringLiteral("Uses Codex's experimental local app-server protocol.")};
inline const ProviderDiagnostic experimentalProtocol{
    DiagnosticSeverity::info, QStringLiteral("codex.experimental_protocol"),
    QStringLiteral("Codex collection uses a capability-probed experimental local protocol.")};
inline const ProviderDiagnostic declinedRequest{
    DiagnosticSeverity::error, QStringLiteral("codex.rpc_error"),
    QStringLiteral(
        "Codex declined a local usage request; sign-in or protocol compatibility may need attention.")};

// One line of the app-server conversation, as written.
inline QString line(const QByteArray& text)
{
    return QString::fromUtf8(text + '\n');
}

inline QStringList codesOf(const QList<ProviderDiagnostic>& diagnostics)
{
    QStringList codes;
    for (const ProviderDiagnostic& diagnostic : diagnostics)
        codes.append(diagnostic.code);
    return codes;
}

} // namespace tallyvane::testing
