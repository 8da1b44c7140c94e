#include "DiagnosticsReport.h"

#include "BuildText.h"

#include <QCoreApplication>
#include <QSaveFile>
#include <QSysInfo>
#include <QTextBoundaryFinder>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::DiagnosticsReport {

namespace {

constexpr qsizetype cleanedLengthLimit = 160;
constexpr qsizetype sourceVersionLengthLimit = 80;

const QString development = u"development"_s;

// Characters are counted as the user sees them, so a cut never splits a surrogate pair or
// separates a letter from its accent.
qsizetype prefixLength(const QString& text, qsizetype characters)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    for (qsizetype count = 0; count < characters; ++count) {
        const qsizetype next = finder.toNextBoundary();
        if (next < 0)
            return text.size();
        end = next;
    }
    return end;
}

qsizetype characterCount(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() >= 0)
        ++count;
    return count;
}

// Beyond carriage return and line feed, these also start a new line in common viewers; left
// in, a text could forge a line of the report.
bool isLineBreak(QChar c)
{
    switch (c.unicode()) {
    case u'\r':
    case u'\n':
    case u'\v':
    case u'\f':
    case 0x0085: // next line
    case 0x2028: // line separator
    case 0x2029: // paragraph separator
        return true;
    default:
        return false;
    }
}

bool isAcceptedVersionCharacter(char32_t c)
{
    // Marks belong to the alphanumeric class too: letters written with combining accents.
    if (QChar::isLetterOrNumber(c) || QChar::isMark(c))
        return true;
    return c == U' ' || c == U'.' || c == U'_' || c == U'(' || c == U')' || c == U'+' || c == U'-';
}

bool isAcceptedSourceVersion(const QString& cleaned)
{
    if (cleaned.isEmpty() || characterCount(cleaned) > sourceVersionLengthLimit)
        return false;
    const QList<uint> codePoints = cleaned.toUcs4();
    return std::ranges::all_of(codePoints, [](uint c) { return isAcceptedVersionCharacter(char32_t(c)); });
}

QString generatedText(Instant generatedAt)
{
    // Whole seconds: the fraction is cut off, never rounded up into the next second.
    return generatedAt.toDateTime().toString(Qt::ISODate);
}

void appendEntry(QStringList& lines, const SanitizedProviderDiagnostics& entry)
{
    lines << QString() << u'[' + clean(entry.name) + u']';
    lines << u"Connection: "_s + caseName(entry.connectionStatus);
    lines << u"Availability: "_s + caseName(entry.availability);

    const QStringList versions = acceptedSourceVersions(entry.sourceVersions);
    lines << u"Source version: "_s + (versions.isEmpty() ? u"unavailable"_s : versions.join(u", "_s));

    if (entry.diagnostics.isEmpty()) {
        lines << u"Diagnostics: none"_s;
        return;
    }
    QList<ProviderDiagnostic> diagnostics = entry.diagnostics;
    std::ranges::stable_sort(diagnostics, {}, &ProviderDiagnostic::code);
    lines << u"Diagnostics:"_s;
    // Only the code: messages are free text and could carry anything.
    for (const ProviderDiagnostic& diagnostic : std::as_const(diagnostics))
        lines << u"- "_s + caseName(diagnostic.severity) + u": "_s + clean(diagnostic.code);
}

} // namespace

QString make(const QList<ProviderViewState>& providers,
             const QHash<ProviderService, ProviderConnectionState>& connectionStates, Instant generatedAt,
             const QString& appVersion, const QString& build, const QString& systemText)
{
    QList<SanitizedProviderDiagnostics> entries;
    entries.reserve(providers.size());
    for (const ProviderViewState& state : providers)
        entries << entry(state, connectionStates);
    return render(std::move(entries), generatedAt, appVersion, build, systemText);
}

SanitizedProviderDiagnostics entry(const ProviderViewState& state,
                                   const QHash<ProviderService, ProviderConnectionState>& connectionStates)
{
    QStringList versions;
    for (const UsageWindowSample& window : state.windows) {
        if (window.sourceVersion)
            versions << *window.sourceVersion;
    }
    for (const TokenUsageBucket& bucket : state.tokenBuckets) {
        if (bucket.sourceVersion)
            versions << *bucket.sourceVersion;
    }
    versions.sort();
    versions.removeDuplicates();

    const auto connection = connectionStates.constFind(state.service);
    return {
        .name = state.descriptor.displayName,
        .connectionStatus =
            connection == connectionStates.cend() ? ProviderConnectionStatus::checking : connection->status,
        .availability = state.availability,
        .sourceVersions = std::move(versions),
        .diagnostics = state.diagnostics,
    };
}

QString render(QList<SanitizedProviderDiagnostics> entries, Instant generatedAt, const QString& appVersion,
               const QString& build, const QString& systemText)
{
    QStringList lines{
        u"Tallyvane diagnostics"_s,
        u"Generated: "_s + generatedText(generatedAt),
        u"App: "_s + clean(appVersion) + u" ("_s + clean(build) + u')',
        u"System: "_s + clean(systemText),
        u"Privacy: no usage values, account identifiers, paths, payloads or credentials included"_s,
    };
    std::ranges::stable_sort(entries, {}, &SanitizedProviderDiagnostics::name);
    for (const SanitizedProviderDiagnostics& entry : std::as_const(entries))
        appendEntry(lines, entry);
    return lines.join(u'\n') + u'\n';
}

QString clean(QStringView text)
{
    QString cleaned = text.toString();
    for (QChar& c : cleaned) {
        if (isLineBreak(c))
            c = u' ';
    }
    cleaned = std::move(cleaned).trimmed();
    cleaned.truncate(prefixLength(cleaned, cleanedLengthLimit));
    return cleaned;
}

QStringList acceptedSourceVersions(const QStringList& versions)
{
    QStringList accepted;
    for (const QString& version : versions) {
        QString cleaned = clean(version);
        if (isAcceptedSourceVersion(cleaned))
            accepted << std::move(cleaned);
    }
    // Versions that differed only in surrounding blanks are the same version once cleaned.
    accepted.sort();
    accepted.removeDuplicates();
    return accepted;
}

QString applicationVersion()
{
    const QString version = QCoreApplication::applicationVersion();
    return version.isEmpty() ? development : version;
}

QString applicationBuild()
{
    const QString build = QString::fromLatin1(BuildText::text);
    return build.isEmpty() ? development : build;
}

QString systemText()
{
    QString text = QSysInfo::prettyProductName();
    const QString kernel = QSysInfo::kernelVersion();
    if (!kernel.isEmpty())
        text += u", kernel "_s + kernel;
    return text;
}

std::expected<void, DiagnosticsExportError> exportTo(const QString& text, const QString& path)
{
    QSaveFile file(path);
    // Writing straight into the target could leave half a report behind.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return std::unexpected(DiagnosticsExportError::cannotOpen);
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return std::unexpected(DiagnosticsExportError::cannotWrite);
    }
    if (!file.commit())
        return std::unexpected(DiagnosticsExportError::cannotCommit);
    return {};
}

} // namespace tallyvane::DiagnosticsReport
