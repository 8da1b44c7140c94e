#pragma once

#include "DiagnosticsExportError.h"
#include "ProviderViewState.h"
#include "SanitizedProviderDiagnostics.h"

#include <ProviderKit/ProviderConnectionState.h>
#include <UsageDomain/Instant.h>

#include <QHash>

#include <expected>

namespace tallyvane {

// The plain-text support report. It names versions, connection states, availability and
// diagnostic codes only: usage values, account identifiers, paths, payloads, messages and
// credentials never get in, because nothing but those fields is ever read from the states.
//
// Every free text is cleaned (line breaks become spaces, the ends are trimmed, at most 160
// characters are kept) and a source version is listed only when it is short and made of
// letters, digits, spaces and ". _ ( ) + -".
namespace DiagnosticsReport {

// The report text for the model's current state, entries ordered by provider name.
QString make(const QList<ProviderViewState>& providers,
             const QHash<ProviderService, ProviderConnectionState>& connectionStates, Instant generatedAt,
             const QString& appVersion, const QString& build, const QString& systemText);

// A view state's entry; a service without a connection state is still "checking".
SanitizedProviderDiagnostics entry(const ProviderViewState& state,
                                   const QHash<ProviderService, ProviderConnectionState>& connectionStates);

// The report text for ready-made entries, in any order.
QString render(QList<SanitizedProviderDiagnostics> entries, Instant generatedAt, const QString& appVersion,
               const QString& build, const QString& systemText);

QString clean(QStringView text);
// The cleaned versions that pass the filter, duplicates removed, ascending.
QStringList acceptedSourceVersions(const QStringList& versions);

// QCoreApplication's version, or "development" when none is set.
QString applicationVersion();
// The build type and, for a build from a git checkout, its `git describe`, as set when this
// was built; "development" when neither is known.
QString applicationBuild();
// The distribution's human-readable name and version.
QString systemText();

// Writes the text in UTF-8 through a temporary file that replaces the target only when
// complete, so a failure leaves any previous file as it was. Never retries.
std::expected<void, DiagnosticsExportError> exportTo(const QString& text, const QString& path);

} // namespace DiagnosticsReport
} // namespace tallyvane
