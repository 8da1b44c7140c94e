#include <TallyvaneUI/ProviderStateAssembler.h>
#include <UsageDomain/UsageWindowSelection.h>

#include <QTest>

#include <ctime>
#include <limits>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

namespace PSA = ProviderStateAssembler;

namespace {

const QString codexID = u"app.tallyvane.codex.subscription"_s;
const QString claudeID = u"app.tallyvane.claude.subscription"_s;
const Instant now = Instant::fromSecondsSince1970(1'750'000'000);

// "id bucket kind observedAt", e.g. "a primary fiveHour 100"; several joined by ','.
QList<UsageWindowSample> windows(const QString& texts)
{
    QList<UsageWindowSample> result;
    for (const QString& text : texts.split(u',', Qt::SkipEmptyParts)) {
        const QStringList parts = text.trimmed().split(u' ');
        UsageWindowSample sample;
        sample.id = parts[0];
        sample.providerBucketID = parts[1];
        sample.windowKind = *caseNamed<UsageWindowKind>(parts[2]);
        sample.observedAt = Instant::fromSecondsSince1970(parts[3].toDouble());
        result.append(sample);
    }
    return result;
}

QStringList ids(const QList<UsageWindowSample>& samples)
{
    QStringList result;
    for (const UsageWindowSample& sample : samples)
        result.append(sample.id);
    return result;
}

// "2025-03-09T23:00:00-04:00=10"; nothing after "=" means no total.
TokenUsageBucket bucket(const QString& text)
{
    const QStringList parts = text.split(u'=');
    TokenUsageBucket result;
    result.id = text;
    result.intervalStart = Instant::fromDateTime(QDateTime::fromString(parts[0], Qt::ISODate));
    result.intervalEnd = result.intervalStart.addingSeconds(3600);
    if (!parts[1].isEmpty())
        result.totalTokens = parts[1].toLongLong();
    return result;
}

ProviderRefreshOutcome outcome(const QString& providerID, const QString& name, int windowCount,
                               int bucketCount, const QList<ProviderDiagnostic>& diagnostics = {})
{
    ProviderRefreshOutcome result;
    result.providerID = providerID;
    result.collection.provider = {providerID, name, u"notice"_s};
    result.collection.collectedAt = now;
    for (int i = 0; i < windowCount; ++i)
        result.collection.windows += windows(u"w%1 b%1 sevenDay %2"_s.arg(i).arg(100 + i));
    for (int i = 0; i < bucketCount; ++i)
        result.collection.tokenBuckets.append(bucket(u"2025-06-01T1%1:00:00Z=100"_s.arg(i)));
    result.collection.diagnostics = diagnostics;
    return result;
}

QHash<ProviderService, ProviderConnectionState> signedIn()
{
    return {
        {ProviderService::codex, {ProviderService::codex, ProviderConnectionStatus::signedIn, u"In"_s}},
        {ProviderService::claude, {ProviderService::claude, ProviderConnectionStatus::signedIn, u"In"_s}}};
}

ProviderDiagnostic signInWarning(ProviderService service, const QString& message)
{
    return {DiagnosticSeverity::warning, caseName(service) + ".authentication_required"_L1, message};
}

// One outcome and the connection state next to it; what the assembler makes of them.
struct OutcomeCase {
    QString providerID;
    int windows = 0;
    int buckets = 0;
    int diagnosticSeverity = -1;       // -1: none
    ProviderConnectionStatus status{}; // -1: no connection entry
    QString detail;                    // null: absent
    ProviderAvailability availability{};
    int capabilities = 0;
    QString notice; // null: the collection's own diagnostics are kept
};

} // namespace

Q_DECLARE_METATYPE(OutcomeCase)

class TestProviderStateAssembler : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        // "Local day" must not depend on the machine that runs the tests.
        qputenv("TZ", "America/New_York");
        tzset();
    }

    void assemblesOutcomes_data()
    {
        QTest::addColumn<OutcomeCase>("c");
        constexpr int warning = int(DiagnosticSeverity::warning);
        constexpr int error = int(DiagnosticSeverity::error);
        const QString fallback = u"Sign in to access this account's usage."_s;
        const QString none;
        using enum ProviderAvailability;
        using S = ProviderConnectionStatus;
        const auto row = [](const char* name, const OutcomeCase& c) { QTest::newRow(name) << c; };

        row("claude, two windows, a warning",
            {claudeID, 2, 0, warning, S::signedIn, none, availableWithLimitations, 3, none});
        row("codex, windows, buckets, an error",
            {codexID, 2, 1, error, S::signedIn, none, temporarilyUnavailable, 7, none});
        row("claude with buckets",
            {claudeID, 1, 2, -1, S::signedIn, none, availableWithLimitations, 27, none});
        row("codex buckets without windows",
            {codexID, 0, 1, -1, S::signedIn, none, availableWithLimitations, 4, none});
        row("signed in, nothing collected",
            {claudeID, 0, 0, -1, S::signedIn, none, availableWithLimitations, 0, none});
        row("signed out with a detail", {codexID, 2, 1, -1, S::signedOut, u"Sign in with Codex."_s,
                                         authenticationRequired, 0, u"Sign in with Codex."_s});
        row("disconnected without a detail",
            {claudeID, 2, 0, warning, S::disconnected, none, authenticationRequired, 0, fallback});
        row("empty detail reads as none",
            {claudeID, 0, 0, -1, S::failed, u""_s, authenticationRequired, 0, fallback});
        row("not installed", {codexID, 1, 0, error, S::notInstalled, u"Codex is not installed."_s,
                              notInstalled, 0, u"Codex is not installed."_s});
        row("unsupported version", {codexID, 1, 1, -1, S::unsupportedVersion, u"Update Codex."_s,
                                    unsupportedVersion, 0, u"Update Codex."_s});
        row("no connection entry",
            {codexID, 2, 1, -1, S(-1), none, authenticationRequired, 0, u"Checking sign-in"_s});
    }

    void assemblesOutcomes()
    {
        QFETCH(OutcomeCase, c);
        const ProviderService service = *serviceForProviderID(c.providerID);
        QList<ProviderDiagnostic> diagnostics;
        if (c.diagnosticSeverity >= 0)
            diagnostics.append({DiagnosticSeverity(c.diagnosticSeverity), u"x.problem"_s, u"Problem."_s});
        const ProviderRefreshOutcome input =
            outcome(c.providerID, u"Name"_s, c.windows, c.buckets, diagnostics);
        QHash<ProviderService, ProviderConnectionState> connections;
        if (int(c.status) >= 0)
            connections.insert(
                service, {service, c.status, c.detail.isNull() ? std::nullopt : std::optional(c.detail)});
        // The other service's entry must not be consulted.
        const ProviderService other =
            service == ProviderService::codex ? ProviderService::claude : ProviderService::codex;
        connections.insert(other, {other, ProviderConnectionStatus::signedIn, std::nullopt});

        const QList<ProviderViewState> states = PSA::assemble({input}, {}, {}, now, connections);
        QCOMPARE(states.size(), 1);
        const ProviderViewState& state = states[0];
        QCOMPARE(state.service, service);
        QCOMPARE(state.descriptor, input.collection.provider);
        QCOMPARE(state.availability, c.availability);
        QCOMPARE(state.capabilities.rawValue(), c.capabilities);
        const bool kept = c.notice.isNull();
        QCOMPARE(state.windows, kept ? input.collection.windows : QList<UsageWindowSample>{});
        QCOMPARE(state.tokenBuckets, kept ? input.collection.tokenBuckets : QList<TokenUsageBucket>{});
        QCOMPARE(state.diagnostics, kept ? diagnostics : QList{signInWarning(service, c.notice)});
    }

    void dropsUnknownProviders()
    {
        const auto states =
            PSA::assemble({outcome(u"app.tallyvane.other.subscription"_s, u"Other"_s, 1, 0),
                           outcome(u"codex"_s, u"Codex"_s, 1, 0)},
                          {{u"app.tallyvane.Claude.subscription"_s, std::nullopt}}, {}, now, signedIn());
        QVERIFY(states.isEmpty());
    }

    void assemblesSkippedProviders_data()
    {
        QTest::addColumn<QString>("providerID");
        QTest::addColumn<bool>("known");
        QTest::addColumn<double>("retryIn"); // NaN: no retry time
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");

        QTest::newRow("codex, first seen, retry in two minutes")
            << codexID << false << 150.0 << u"Codex"_s
            << u"The last refresh failed. Retrying in 2 min. \u2014 or refresh now."_s;
        QTest::newRow("claude, first seen, no retry time")
            << claudeID << false << std::numeric_limits<double>::quiet_NaN() << u"Claude"_s
            << u"The last refresh failed. Waiting before retrying."_s;
        QTest::newRow("known descriptor, retry in an hour")
            << claudeID << true << 3600.0 << u"Earlier Claude"_s
            << u"The last refresh failed. Retrying in 1 hr. \u2014 or refresh now."_s;
    }

    void assemblesSkippedProviders()
    {
        QFETCH(QString, providerID);
        QFETCH(bool, known);
        QFETCH(double, retryIn);
        QFETCH(QString, name);
        QFETCH(QString, message);

        const ProviderService service = *serviceForProviderID(providerID);
        const ProviderDescriptor earlier{providerID, u"Earlier Claude"_s, u"A notice"_s};
        QHash<ProviderService, ProviderDescriptor> descriptors;
        if (known)
            descriptors.insert(service, earlier);
        const std::optional<Instant> retryAt =
            std::isnan(retryIn) ? std::nullopt : std::optional(now.addingSeconds(retryIn));

        const auto states = PSA::assemble({}, {{providerID, retryAt}}, descriptors, now, signedIn());
        const ProviderViewState expected{
            service,
            known ? earlier : ProviderDescriptor{providerID, name, std::nullopt},
            ProviderAvailability::temporarilyUnavailable,
            {},
            {},
            {},
            {{DiagnosticSeverity::warning, caseName(service) + ".refresh_backoff"_L1, message}}};
        QCOMPARE(states, QList{expected});
    }

    void sortsCodexBeforeClaudeKeepingOrder()
    {
        const QHash<ProviderService, ProviderDescriptor> known{
            {ProviderService::codex, {codexID, u"codex skipped"_s, std::nullopt}},
            {ProviderService::claude, {claudeID, u"claude skipped"_s, std::nullopt}}};
        const auto states =
            PSA::assemble({outcome(claudeID, u"claude 1"_s, 1, 0), outcome(claudeID, u"claude 2"_s, 1, 0),
                           outcome(codexID, u"codex 1"_s, 1, 0)},
                          {{claudeID, std::nullopt}, {codexID, std::nullopt}}, known, now, signedIn());
        QStringList names;
        for (const ProviderViewState& state : states)
            names.append(state.descriptor.displayName);
        QCOMPARE(names, (QStringList{u"codex 1"_s, u"codex skipped"_s, u"claude 1"_s, u"claude 2"_s,
                                     u"claude skipped"_s}));
    }

    void signedOutStateDropsUsage()
    {
        const auto states = PSA::assemble({outcome(claudeID, u"Claude"_s, 2, 2)}, {}, {}, now, signedIn());
        QCOMPARE(states.size(), 1);
        const ProviderViewState expected{
            ProviderService::claude,
            states[0].descriptor,
            ProviderAvailability::authenticationRequired,
            {},
            {},
            {},
            {signInWarning(ProviderService::claude, u"Sign in to access this account's usage."_s)}};
        QCOMPARE(PSA::signedOutState(states[0]), expected);
    }

    void history_data()
    {
        QTest::addColumn<QString>("codexBuckets"); // "start=tokens", joined by ','
        QTest::addColumn<QString>("claudeBuckets");
        QTest::addColumn<QString>("expected"); // "id=tokens", in order
        const auto row = [](const char* name, const QString& codex, const QString& claude,
                            const QString& expected) { QTest::newRow(name) << codex << claude << expected; };

        // New York: 2025-03-09 starts at 05:00 UTC (EST); clocks go forward that night, so
        // 2025-03-10 starts at 04:00 UTC (EDT).
        row("one local day sums the present totals",
            u"2025-03-09T00:00:00-05:00=10,2025-03-09T12:00:00-04:00=,2025-03-10T03:59:59Z=5"_s, {},
            u"codex:1741496400=15"_s);
        row("UTC midnight is not the local day boundary", u"2025-03-10T02:00:00Z=7,2025-03-10T04:00:00Z=3"_s,
            {}, u"codex:1741496400=7,codex:1741579200=3"_s);
        row("a day without totals makes no point",
            u"2025-06-01T10:00:00Z=,2025-06-01T11:00:00Z=,2025-06-02T10:00:00Z=0"_s, {},
            u"codex:1748836800=0"_s);
        row("days sorted, codex first on equal days", u"2025-06-02T10:00:00Z=2,2025-06-01T10:00:00Z=1"_s,
            u"2025-06-01T20:00:00Z=4,2025-06-01T03:00:00Z=8"_s,
            u"claude:1748664000=8,codex:1748750400=1,claude:1748750400=4,codex:1748836800=2"_s);
        row("the long day when clocks go back", u"2025-11-02T00:30:00-04:00=1,2025-11-02T23:30:00-05:00=2"_s,
            {}, u"codex:1762056000=3"_s);
        row("sum saturates instead of overflowing",
            u"2025-06-01T10:00:00Z=9223372036854775806,2025-06-01T11:00:00Z=5"_s, {},
            u"codex:1748750400=9223372036854775807"_s);
    }

    void history()
    {
        QFETCH(QString, codexBuckets);
        QFETCH(QString, claudeBuckets);
        QFETCH(QString, expected);

        const auto state = [](ProviderService service, const QString& buckets) {
            ProviderViewState result{service, {caseName(service), displayName(service), std::nullopt}};
            for (const QString& text : buckets.split(u',', Qt::SkipEmptyParts))
                result.tokenBuckets.append(bucket(text));
            return result;
        };
        QStringList actual;
        for (const HistoryPoint& point : PSA::history({state(ProviderService::codex, codexBuckets),
                                                       state(ProviderService::claude, claudeBuckets)})) {
            actual.append(point.id + u'=' + QString::number(point.tokens));
            QCOMPARE(point.date.secondsSince1970(), double(point.id.section(u':', 1).toLongLong()));
            QCOMPARE(point.providerName, point.service == ProviderService::codex ? u"Codex"_s : u"Claude"_s);
            QCOMPARE(point.id.section(u':', 0, 0), caseName(point.service));
        }
        QCOMPARE(actual.join(u','), expected);
    }

    void windowSelection_data()
    {
        QTest::addColumn<QString>("function"); // latest, primary or secondary
        QTest::addColumn<QString>("windows");
        QTest::addColumn<QStringList>("expected");
        const auto row = [](const char* name, const QString& function, const QString& windows,
                            const QStringList& expected) {
            QTest::newRow(name) << function << windows << expected;
        };

        const QString latest = u"latest"_s, primary = u"primary"_s, secondary = u"secondary"_s;
        row("latest: later observation wins", latest, u"old week sevenDay 100, new week sevenDay 200"_s,
            {u"new"_s});
        row("latest: earlier in the list, later observed", latest,
            u"new week sevenDay 200, old week sevenDay 100"_s, {u"new"_s});
        row("latest: equal observations keep the first", latest,
            u"first week sevenDay 100, second week sevenDay 100"_s, {u"first"_s});
        row("latest: kind order, then bucket id", latest,
            u"u unknown-b unknown 1, c custom custom 1, m2 model-b modelSpecific 1, "
            "m1 model-a modelSpecific 1, s week sevenDay 1, f session fiveHour 1"_s,
            {u"f"_s, u"s"_s, u"m1"_s, u"m2"_s, u"c"_s, u"u"_s});
        row("latest: the kept window's kind decides", latest,
            u"a zz fiveHour 1, b aa sevenDay 5, c zz custom 9"_s, {u"b"_s, u"c"_s});
        row("latest: empty", latest, {}, {});
        row("primary: five-hour over newer windows", primary,
            u"w week sevenDay 900, f session fiveHour 100"_s, {u"f"_s});
        row("primary: newest five-hour", primary,
            u"f1 session fiveHour 100, f2 session fiveHour 300, f3 other fiveHour 200"_s, {u"f2"_s});
        row("primary: five-hour tie keeps the first", primary,
            u"f1 session fiveHour 100, f2 other fiveHour 100"_s, {u"f1"_s});
        row("primary: seven-day and custom only, most recent", primary,
            u"w week sevenDay 100, c custom custom 250, w2 week sevenDay 200"_s, {u"c"_s});
        row("primary: no five-hour, tie keeps the first", primary,
            u"w week sevenDay 100, c custom custom 100"_s, {u"w"_s});
        row("primary: empty", primary, {}, {});
        row("secondary: primary bucket left out, all its observations", secondary,
            u"f1 session fiveHour 100, w week sevenDay 100, f2 session fiveHour 200, m opus modelSpecific 100"_s,
            {u"w"_s, u"m"_s});
        row("secondary: primary by recency without five-hour", secondary,
            u"w week sevenDay 100, c custom custom 250"_s, {u"w"_s});
        row("secondary: only the primary", secondary, u"f session fiveHour 1"_s, {});
    }

    void windowSelection()
    {
        QFETCH(QString, function);
        QFETCH(QString, windows);
        QFETCH(QStringList, expected);
        ProviderViewState state;
        state.windows = ::windows(windows);
        if (function == "latest"_L1) {
            QCOMPARE(ids(UsageWindowSelection::latestPerBucket(state.windows)), expected);
        } else if (function == "secondary"_L1) {
            QCOMPARE(ids(PSA::secondaryWindows(state)), expected);
        } else {
            const auto chosen = UsageWindowSelection::primary(state.windows);
            QCOMPARE(chosen ? QStringList{chosen->id} : QStringList{}, expected);
        }
    }

    void menuSnapshotsKeepEveryWindow()
    {
        ProviderViewState codex{ProviderService::codex, {u"codex-id"_s, u"Codex"_s, std::nullopt}};
        codex.windows = windows(u"a week sevenDay 1, b week sevenDay 2, c session fiveHour 1"_s);
        const ProviderViewState claude{ProviderService::claude, {u"claude-id"_s, u"Claude"_s, std::nullopt}};
        const QList<ProviderMenuSnapshot> expected{{u"codex-id"_s, u"Codex"_s, codex.windows},
                                                   {u"claude-id"_s, u"Claude"_s, {}}};
        QCOMPARE(PSA::menuSnapshots({codex, claude}), expected);
    }
};

QTEST_GUILESS_MAIN(TestProviderStateAssembler)
#include "TestProviderStateAssembler.moc"
