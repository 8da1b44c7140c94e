#include <TallyvaneUI/DiagnosticsReport.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

#include <csignal>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

namespace {

const Instant generatedAt =
    Instant::fromDateTime(QDateTime::fromString(u"2026-12-05T18:00:45Z"_s, Qt::ISODate));
const QString header =
    u"Tallyvane diagnostics\n"
    "Generated: 2026-12-05T18:00:45Z\n"
    "App: 1.4.0 (142)\n"
    "System: Debian GNU/Linux 12 (bookworm)\n"
    "Privacy: no usage values, account identifiers, paths, payloads or credentials included\n"_s;

UsageWindowSample window(std::optional<QString> sourceVersion)
{
    UsageWindowSample sample;
    sample.id = u"window-secret-id"_s;
    sample.connectionID = QUuid(u"5b1f6c2e-2d0a-4c53-9a3e-6f1f0c7a9d11"_s);
    sample.providerBucketID = u"bucket-acct-7781"_s;
    sample.providerBucketName = u"alice@example.com plan"_s;
    sample.modelID = u"gpt-private-model"_s;
    sample.observedAt = generatedAt;
    sample.usedFraction = Decimal::fromString(u"0.4242"_s);
    sample.absoluteUsed = Decimal::fromInteger(98765);
    sample.absoluteLimit = Decimal::fromInteger(123457);
    sample.source = {u"/home/alice/.codex/sessions"_s, u"rate-limit-endpoint-xyz"_s, false};
    sample.sourceVersion = std::move(sourceVersion);
    return sample;
}

TokenUsageBucket bucket(std::optional<QString> sourceVersion)
{
    TokenUsageBucket result;
    result.id = u"bucket-secret-id"_s;
    result.timeZoneIdentifier = u"Europe/Berlin"_s;
    result.totalTokens = 3141592;
    result.sourceVersion = std::move(sourceVersion);
    return result;
}

ProviderViewState codexState()
{
    ProviderViewState state;
    state.service = ProviderService::codex;
    state.descriptor = {u"app.tallyvane.codex.subscription"_s, u"Codex"_s, u"notice-text-xyz"_s};
    state.availability = ProviderAvailability::availableWithLimitations;
    state.windows = {window(u"0.46.0"_s), window(u"0.46.0"_s), window(std::nullopt), window(u"0.45.2"_s)};
    state.tokenBuckets = {bucket(u"0.44.0-alpha.3"_s), bucket(std::nullopt)};
    state.diagnostics = {
        {DiagnosticSeverity::warning, u"codex.token_history_partial"_s, u"{\"payload\":\"leaked\"}"_s},
        {DiagnosticSeverity::info, u"codex.plan_unknown"_s, u"Plan of alice@example.com unknown"_s},
        {DiagnosticSeverity::error, u"codex.rate_limits_unreadable"_s, u"token sk-live-SECRET expired"_s},
    };
    return state;
}

ProviderViewState claudeState()
{
    ProviderViewState state;
    state.service = ProviderService::claude;
    state.descriptor = {u"app.tallyvane.claude.subscription"_s, u"Claude"_s, std::nullopt};
    state.availability = ProviderAvailability::temporarilyUnavailable;
    state.windows = {window(u"oauth usage (2025-04)"_s), window(u"https://api.example/v1"_s)};
    state.diagnostics = {
        {DiagnosticSeverity::error, u"claude.http_status"_s, u"read /home/alice/.claude/creds.json"_s}};
    return state;
}

const QHash<ProviderService, ProviderConnectionState> connections{
    {ProviderService::codex,
     {ProviderService::codex, ProviderConnectionStatus::signedIn, u"Signed in as alice@example.com"_s}}};

QString realisticReport()
{
    return DiagnosticsReport::make({codexState(), claudeState()}, connections, generatedAt, u"1.4.0"_s,
                                   u"142"_s, u"Debian GNU/Linux 12 (bookworm)"_s);
}

ProviderViewState named(const QString& name, QList<ProviderDiagnostic> diagnostics = {})
{
    ProviderViewState state;
    state.descriptor.displayName = name;
    state.diagnostics = std::move(diagnostics);
    return state;
}

QStringList linesStartingWith(const QString& report, QStringView prefix)
{
    QStringList result;
    for (const QString& line : report.split(u'\n')) {
        if (line.startsWith(prefix))
            result << line;
    }
    return result;
}

// A folder holding "report.txt" with an old report, which a failed export must leave whole.
struct ExportTarget {
    QTemporaryDir folder;
    QString path = folder.filePath(u"report.txt"_s);

    ExportTarget()
    {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write("old report\n");
    }
    QByteArray contents() const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }
    QStringList files() const { return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden); }
};

} // namespace

class TestDiagnosticsReport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void writesTheRealisticStateExactly()
    {
        const QString expected = header + u"\n"
                                          "[Claude]\n"
                                          "Connection: checking\n"
                                          "Availability: temporarilyUnavailable\n"
                                          "Source version: oauth usage (2025-04)\n"
                                          "Diagnostics:\n"
                                          "- error: claude.http_status\n"
                                          "\n"
                                          "[Codex]\n"
                                          "Connection: signedIn\n"
                                          "Availability: availableWithLimitations\n"
                                          "Source version: 0.44.0-alpha.3, 0.45.2, 0.46.0\n"
                                          "Diagnostics:\n"
                                          "- info: codex.plan_unknown\n"
                                          "- error: codex.rate_limits_unreadable\n"
                                          "- warning: codex.token_history_partial\n"_s;
        QCOMPARE(realisticReport(), expected);
        // Without providers, the header alone.
        QCOMPARE(DiagnosticsReport::make({}, {}, generatedAt, u"1.4.0"_s, u"142"_s,
                                         u"Debian GNU/Linux 12 (bookworm)"_s),
                 header);
    }

    void leavesOutPrivateData()
    {
        const QString report = realisticReport();
        // Ids, account names, values, paths, time zone, payloads, tokens, messages, rejected
        // versions, provider ids, notices and connection details.
        const QStringList secrets =
            u"window-secret-id|bucket-secret-id|5b1f6c2e|bucket-acct-7781|alice@example.com|"
            "gpt-private-model|4242|98765|123457|3141592|/home/alice|Europe/Berlin|"
            "rate-limit-endpoint-xyz|leaked|sk-live-SECRET|expired|api.example|app.tallyvane|"
            "notice-text-xyz|Signed in as"_s.split(u'|');
        for (const QString& secret : secrets)
            QVERIFY2(!report.contains(secret), qPrintable(secret + u'\n' + report));
    }

    void ordersAndCondensesEntries()
    {
        const QList<ProviderDiagnostic> diagnostics{{DiagnosticSeverity::warning, u"b.x"_s, {}},
                                                    {DiagnosticSeverity::info, u"c.same"_s, u"first"_s},
                                                    {DiagnosticSeverity::error, u"a.y"_s, {}},
                                                    {DiagnosticSeverity::warning, u"c.same"_s, u"second"_s}};
        ProviderViewState zeta = named(u"Zeta"_s, diagnostics);
        zeta.windows = {window(u"a/b"_s), window(u"c:d"_s), window(QString(81, u'1'))};
        const QString report = DiagnosticsReport::make({named(u"beta"_s), zeta, named(u"Alpha"_s)}, {},
                                                       generatedAt.addingSeconds(0.999), {}, {}, {});
        // Plain comparison puts every capital before any lower-case letter.
        QCOMPARE(linesStartingWith(report, u"["), (QStringList{u"[Alpha]"_s, u"[Zeta]"_s, u"[beta]"_s}));
        // By code; equal codes keep the provider's order.
        QCOMPARE(linesStartingWith(report, u"- "),
                 (QStringList{u"- error: a.y"_s, u"- warning: b.x"_s, u"- info: c.same"_s,
                              u"- warning: c.same"_s}));
        QCOMPARE(linesStartingWith(report, u"Generated: "),
                 QStringList{u"Generated: 2026-12-05T18:00:45Z"_s});
        QCOMPARE(linesStartingWith(report, u"Source version: "),
                 QStringList(3, u"Source version: unavailable"_s));
    }

    void clean_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        const QString long160 = QString(160, u'a');
        const QString emoji = u"\U0001F600"_s; // two UTF-16 units, one character

        QTest::newRow("carriage return and line feed") << u"Co\r\ndex"_s << u"Co  dex"_s;
        QTest::newRow("other line breaks inside") << u"a\u2028b\u2029c\vd\fe\u0085f"_s << u"a b c d e f"_s;
        QTest::newRow("ends trimmed") << u" \t\r\nCodex \n\r "_s << u"Codex"_s;
        QTest::newRow("only blanks") << u" \n\r\t "_s << QString();
        QTest::newRow("160 characters kept") << long160 << long160;
        QTest::newRow("161 characters cut") << long160 + u'b' << long160;
        QTest::newRow("cut after trimming") << u"   "_s + long160 + u"bb"_s << long160;
        QTest::newRow("pair not split") << QString(159, u'a') + emoji + emoji << QString(159, u'a') + emoji;
        QTest::newRow("accent kept with its letter")
            << QString(159, u'a') + u"e\u0301z"_s << QString(159, u'a') + u"e\u0301"_s;
    }

    void clean()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(DiagnosticsReport::clean(text), expected);
    }

    void filtersSourceVersions_data()
    {
        QTest::addColumn<QStringList>("versions");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("punctuation allowed") << QStringList{u"1.2.3 (beta)"_s, u"2.0_rc+build-7"_s}
                                             << QStringList{u"1.2.3 (beta)"_s, u"2.0_rc+build-7"_s};
        QTest::newRow("slash dropped") << QStringList{u"1.2/3"_s, u"1.0"_s} << QStringList{u"1.0"_s};
        QTest::newRow("other symbols dropped")
            << QStringList{u"v:1"_s, u"1.0;rm"_s, u"1,0"_s, u"1.0\t2"_s, u"~/x"_s, u"a@b"_s} << QStringList{};
        QTest::newRow("80 characters kept")
            << QStringList{QString(80, u'9')} << QStringList{QString(80, u'9')};
        QTest::newRow("81 characters dropped") << QStringList{QString(81, u'9')} << QStringList{};
        QTest::newRow("blank dropped") << QStringList{u""_s, u" \n "_s} << QStringList{};
        QTest::newRow("cleaned before checking")
            << QStringList{u" 1.0\n"_s, u"2\n0"_s} << QStringList{u"1.0"_s, u"2 0"_s};
        QTest::newRow("non-Latin letters and digits")
            << QStringList{u"版本 ٣.٢"_s, u"Версия 1"_s} << QStringList{u"Версия 1"_s, u"版本 ٣.٢"_s};
        QTest::newRow("same once cleaned listed once")
            << QStringList{u"1.0"_s, u" 1.0"_s} << QStringList{u"1.0"_s};
    }

    void filtersSourceVersions()
    {
        QFETCH(QStringList, versions);
        QFETCH(QStringList, expected);
        QCOMPARE(DiagnosticsReport::acceptedSourceVersions(versions), expected);
    }

    void fallsBackToDevelopment()
    {
        const QString development = u"development"_s;
        QCoreApplication::setApplicationVersion({});
        QCOMPARE(DiagnosticsReport::applicationVersion(), development);
        QCoreApplication::setApplicationVersion(u"1.4.0"_s);
        QCOMPARE(DiagnosticsReport::applicationVersion(), u"1.4.0"_s);
    }

    void buildTextNamesTheBuild()
    {
        const QString build = DiagnosticsReport::applicationBuild();
        QCOMPARE(build.section(u' ', 0, 0), QStringLiteral(TALLYVANE_TEST_BUILD_TYPE));
        QProcess git;
        git.start(u"git"_s,
                  {u"-C"_s, QStringLiteral(TALLYVANE_TEST_SOURCE_DIR), u"rev-parse"_s, u"--git-dir"_s});
        if (!git.waitForFinished(10'000) || git.exitCode() != 0)
            QSKIP("The sources are not a git checkout");
        // The commit the build was made from; later commits may have come since.
        const QString described = build.section(u' ', 1, 1).section(u'-', 0, 0);
        QVERIFY2(!described.isEmpty(), qPrintable(build));
        git.start(u"git"_s, {u"-C"_s, QStringLiteral(TALLYVANE_TEST_SOURCE_DIR), u"cat-file"_s, u"-e"_s,
                             described + u"^{commit}"_s});
        QVERIFY(git.waitForFinished(10'000));
        QVERIFY2(git.exitCode() == 0, qPrintable(build));
    }

    void exportReplacesTheTargetWhole()
    {
        ExportTarget target;
        QVERIFY(target.folder.isValid());
        const QString text = u"Tallyvane diagnostics\n[Čodex ✓]\n"_s + QString(10'000, u'x');
        QVERIFY(DiagnosticsReport::exportTo(text, target.path).has_value());
        QCOMPARE(target.contents(), text.toUtf8());
        QVERIFY(DiagnosticsReport::exportTo(u"short\n"_s, target.path).has_value());
        QCOMPARE(target.contents(), QByteArray("short\n"));
        QCOMPARE(target.files(), QStringList{u"report.txt"_s});
    }

    void exportToAMissingFolderFails()
    {
        ExportTarget target;
        const auto result =
            DiagnosticsReport::exportTo(u"r\n"_s, target.folder.filePath(u"missing/report.txt"_s));
        QCOMPARE(result, std::unexpected(DiagnosticsExportError::cannotOpen));
        QVERIFY(!QFileInfo::exists(target.folder.filePath(u"missing"_s)));
    }

    void exportThatFailsMidWriteLeavesTheOldFile()
    {
        ExportTarget target;
        // A file size limit makes the write fail part-way even for a user that permissions do not bind.
        rlimit original{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &original), 0);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = original;
        limited.rlim_cur = 64;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        const auto result = DiagnosticsReport::exportTo(QString(100'000, u'n'), target.path);
        setrlimit(RLIMIT_FSIZE, &original);
        std::signal(SIGXFSZ, previousHandler);

        QVERIFY(!result.has_value());
        QCOMPARE(target.contents(), QByteArray("old report\n"));
        QCOMPARE(target.files(), QStringList{u"report.txt"_s});
    }
};

QTEST_GUILESS_MAIN(TestDiagnosticsReport)
#include "TestDiagnosticsReport.moc"
