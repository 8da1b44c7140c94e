#include <TallyvaneUI/ProviderStateAssembler.h>

#include <QTest>

#include <ctime>
#include <limits>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

namespace PSA = ProviderStateAssembler;

class TestProviderStateAssembler : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void assemblesOutcomes_data();
    void assemblesOutcomes();
    void dropsUnknownProviders();
    void assemblesSkippedProviders_data();
    void assemblesSkippedProviders();
    void sortsCodexBeforeClaudeKeepingOrder();
    void signedOutStateDropsUsage();
    void history_data();
    void history();
    void historySaturatesInsteadOfOverflowing();
    void latestWindowsPerBucket_data();
    void latestWindowsPerBucket();
    void primaryWindow_data();
    void primaryWindow();
    void secondaryWindows_data();
    void secondaryWindows();
    void menuSnapshotsKeepEveryWindow();
};

namespace {

const QString codexID = u"app.tallyvane.codex.subscription"_s;
const QString claudeID = u"app.tallyvane.claude.subscription"_s;
const Instant now = Instant::fromSecondsSince1970(1'750'000'000);

// "id bucket kind observedAt", e.g. "a primary fiveHour 100".
UsageWindowSample window(const QString& spec)
{
    const QStringList parts = spec.split(u' ');
    UsageWindowSample sample;
    sample.id = parts[0];
    sample.providerBucketID = parts[1];
    sample.windowKind = *caseNamed<UsageWindowKind>(parts[2]);
    sample.observedAt = Instant::fromSecondsSince1970(parts[3].toDouble());
    return sample;
}

QList<UsageWindowSample> windows(const QStringList& specs)
{
    QList<UsageWindowSample> result;
    for (const QString& spec : specs)
        result.append(window(spec));
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
TokenUsageBucket bucket(const QString& spec)
{
    const QStringList parts = spec.split(u'=');
    TokenUsageBucket result;
    result.id = spec;
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
        result.collection.windows.append(window(u"w%1 b%1 sevenDay %2"_s.arg(i).arg(100 + i)));
    for (int i = 0; i < bucketCount; ++i)
        result.collection.tokenBuckets.append(bucket(u"2025-06-01T1%1:00:00Z=100"_s.arg(i)));
    result.collection.diagnostics = diagnostics;
    return result;
}

QHash<ProviderService, ProviderConnectionState> signedIn()
{
    return {{ProviderService::codex,
             {ProviderService::codex, ProviderConnectionStatus::signedIn, u"Signed in"_s}},
            {ProviderService::claude,
             {ProviderService::claude, ProviderConnectionStatus::signedIn, u"Signed in"_s}}};
}

} // namespace

void TestProviderStateAssembler::initTestCase()
{
    // "Local day" must not depend on the machine that runs the tests.
    qputenv("TZ", "America/New_York");
    tzset();
}

void TestProviderStateAssembler::assemblesOutcomes_data()
{
    QTest::addColumn<QString>("providerID");
    QTest::addColumn<int>("windowCount");
    QTest::addColumn<int>("bucketCount");
    QTest::addColumn<int>("diagnosticSeverity"); // -1: none
    QTest::addColumn<int>("status");             // -1: no connection entry
    QTest::addColumn<QString>("detail");         // null: absent
    QTest::addColumn<ProviderAvailability>("availability");
    QTest::addColumn<int>("capabilities");
    QTest::addColumn<QString>("notice"); // null: the collection's own diagnostics are kept

    constexpr int warning = int(DiagnosticSeverity::warning);
    constexpr int error = int(DiagnosticSeverity::error);
    constexpr int signedIn = int(ProviderConnectionStatus::signedIn);
    const QString fallback = u"Sign in to access this account's usage."_s;
    using enum ProviderAvailability;

    QTest::newRow("claude signed in, two windows, a warning")
        << claudeID << 2 << 0 << warning << signedIn << QString() << availableWithLimitations << 3
        << QString();
    QTest::newRow("codex signed in, windows, buckets, an error")
        << codexID << 2 << 1 << error << signedIn << QString() << temporarilyUnavailable << 7 << QString();
    QTest::newRow("claude signed in with buckets")
        << claudeID << 1 << 2 << -1 << signedIn << QString() << availableWithLimitations << 27 << QString();
    QTest::newRow("codex buckets without windows")
        << codexID << 0 << 1 << -1 << signedIn << QString() << availableWithLimitations << 4 << QString();
    QTest::newRow("signed in, nothing collected")
        << claudeID << 0 << 0 << -1 << signedIn << QString() << availableWithLimitations << 0 << QString();
    QTest::newRow("signed out with a detail")
        << codexID << 2 << 1 << -1 << int(ProviderConnectionStatus::signedOut) << u"Sign in with Codex."_s
        << authenticationRequired << 0 << u"Sign in with Codex."_s;
    QTest::newRow("disconnected without a detail")
        << claudeID << 2 << 0 << warning << int(ProviderConnectionStatus::disconnected) << QString()
        << authenticationRequired << 0 << fallback;
    QTest::newRow("empty detail reads as none")
        << claudeID << 0 << 0 << -1 << int(ProviderConnectionStatus::failed) << u""_s
        << authenticationRequired << 0 << fallback;
    QTest::newRow("not installed") << codexID << 1 << 0 << error
                                   << int(ProviderConnectionStatus::notInstalled)
                                   << u"Codex is not installed."_s << notInstalled << 0
                                   << u"Codex is not installed."_s;
    QTest::newRow("unsupported version")
        << codexID << 1 << 1 << -1 << int(ProviderConnectionStatus::unsupportedVersion) << u"Update Codex."_s
        << unsupportedVersion << 0 << u"Update Codex."_s;
    QTest::newRow("failed") << claudeID << 1 << 0 << -1 << int(ProviderConnectionStatus::failed)
                            << u"Sign-in failed."_s << authenticationRequired << 0 << u"Sign-in failed."_s;
    QTest::newRow("still checking") << claudeID << 1 << 0 << -1 << int(ProviderConnectionStatus::checking)
                                    << QString() << authenticationRequired << 0 << fallback;
    QTest::newRow("no connection entry")
        << codexID << 2 << 1 << -1 << -1 << QString() << authenticationRequired << 0 << u"Checking sign-in"_s;
}

void TestProviderStateAssembler::assemblesOutcomes()
{
    QFETCH(QString, providerID);
    QFETCH(int, windowCount);
    QFETCH(int, bucketCount);
    QFETCH(int, diagnosticSeverity);
    QFETCH(int, status);
    QFETCH(QString, detail);
    QFETCH(ProviderAvailability, availability);
    QFETCH(int, capabilities);
    QFETCH(QString, notice);

    const ProviderService service = *serviceForProviderID(providerID);
    QList<ProviderDiagnostic> diagnostics;
    if (diagnosticSeverity >= 0)
        diagnostics.append({DiagnosticSeverity(diagnosticSeverity), u"x.problem"_s, u"Problem."_s});
    const ProviderRefreshOutcome input =
        outcome(providerID, u"Name"_s, windowCount, bucketCount, diagnostics);
    QHash<ProviderService, ProviderConnectionState> connections;
    if (status >= 0) {
        connections.insert(service, {service, ProviderConnectionStatus(status),
                                     detail.isNull() ? std::nullopt : std::optional(detail)});
    }
    // The other service's entry must not be consulted.
    const ProviderService other =
        service == ProviderService::codex ? ProviderService::claude : ProviderService::codex;
    connections.insert(other, {other, ProviderConnectionStatus::signedIn, std::nullopt});

    const QList<ProviderViewState> states = PSA::assemble({input}, {}, {}, now, connections);
    QCOMPARE(states.size(), 1);
    const ProviderViewState& state = states[0];
    QCOMPARE(state.service, service);
    QCOMPARE(state.descriptor, input.collection.provider);
    QCOMPARE(state.availability, availability);
    QCOMPARE(state.capabilities.rawValue(), capabilities);
    if (notice.isNull()) {
        QCOMPARE(state.windows, input.collection.windows);
        QCOMPARE(state.tokenBuckets, input.collection.tokenBuckets);
        QCOMPARE(state.diagnostics, diagnostics);
    } else {
        QVERIFY(state.windows.isEmpty());
        QVERIFY(state.tokenBuckets.isEmpty());
        const ProviderDiagnostic expected{DiagnosticSeverity::warning,
                                          caseName(service) + ".authentication_required"_L1, notice};
        QCOMPARE(state.diagnostics, QList{expected});
    }
}

void TestProviderStateAssembler::dropsUnknownProviders()
{
    const auto states =
        PSA::assemble({outcome(u"app.tallyvane.other.subscription"_s, u"Other"_s, 1, 0),
                       outcome(u"codex"_s, u"Codex"_s, 1, 0)},
                      {{u"app.tallyvane.Claude.subscription"_s, std::nullopt}}, {}, now, signedIn());
    QVERIFY(states.isEmpty());
}

void TestProviderStateAssembler::assemblesSkippedProviders_data()
{
    QTest::addColumn<QString>("providerID");
    QTest::addColumn<bool>("known");
    QTest::addColumn<double>("retryIn"); // NaN: no retry time
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");

    const double noRetry = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("codex, first seen, retry in two minutes")
        << codexID << false << 150.0 << u"Codex"_s
        << u"The last refresh failed. Retrying in 2 min. \u2014 or refresh now."_s;
    QTest::newRow("claude, first seen, no retry time")
        << claudeID << false << noRetry << u"Claude"_s
        << u"The last refresh failed. Waiting before retrying."_s;
    QTest::newRow("known descriptor, retry in an hour")
        << claudeID << true << 3600.0 << u"Earlier Claude"_s
        << u"The last refresh failed. Retrying in 1 hr. \u2014 or refresh now."_s;
}

void TestProviderStateAssembler::assemblesSkippedProviders()
{
    QFETCH(QString, providerID);
    QFETCH(bool, known);
    QFETCH(double, retryIn);
    QFETCH(QString, name);
    QFETCH(QString, message);

    const ProviderService service = *serviceForProviderID(providerID);
    QHash<ProviderService, ProviderDescriptor> descriptors;
    const ProviderDescriptor earlier{providerID, u"Earlier Claude"_s, u"A notice"_s};
    if (known)
        descriptors.insert(service, earlier);
    const std::optional<Instant> retryAt =
        std::isnan(retryIn) ? std::nullopt : std::optional(now.addingSeconds(retryIn));

    const auto states = PSA::assemble({}, {{providerID, retryAt}}, descriptors, now, signedIn());
    QCOMPARE(states.size(), 1);
    const ProviderViewState& state = states[0];
    QCOMPARE(state.service, service);
    QCOMPARE(state.descriptor, (known ? earlier : ProviderDescriptor{providerID, name, std::nullopt}));
    QCOMPARE(state.availability, ProviderAvailability::temporarilyUnavailable);
    QVERIFY(state.capabilities.isEmpty());
    QVERIFY(state.windows.isEmpty() && state.tokenBuckets.isEmpty());
    const ProviderDiagnostic expected{DiagnosticSeverity::warning, caseName(service) + ".refresh_backoff"_L1,
                                      message};
    QCOMPARE(state.diagnostics, QList{expected});
}

void TestProviderStateAssembler::sortsCodexBeforeClaudeKeepingOrder()
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

void TestProviderStateAssembler::signedOutStateDropsUsage()
{
    const auto states = PSA::assemble({outcome(claudeID, u"Claude"_s, 2, 2)}, {}, {}, now, signedIn());
    QCOMPARE(states.size(), 1);
    const ProviderViewState signedOut = PSA::signedOutState(states[0]);
    const ProviderViewState expected{ProviderService::claude,
                                     states[0].descriptor,
                                     ProviderAvailability::authenticationRequired,
                                     {},
                                     {},
                                     {},
                                     {{DiagnosticSeverity::warning, u"claude.authentication_required"_s,
                                       u"Sign in to access this account's usage."_s}}};
    QCOMPARE(signedOut, expected);
}

void TestProviderStateAssembler::history_data()
{
    QTest::addColumn<QStringList>("codexBuckets");
    QTest::addColumn<QStringList>("claudeBuckets");
    QTest::addColumn<QStringList>("expected"); // "id=tokens", in order

    // New York: 2025-03-09 starts at 05:00 UTC (EST); clocks go forward that night, so
    // 2025-03-10 starts at 04:00 UTC (EDT).
    QTest::newRow("one local day sums the present totals")
        << QStringList{u"2025-03-09T00:00:00-05:00=10"_s, u"2025-03-09T12:00:00-04:00="_s,
                       u"2025-03-10T03:59:59Z=5"_s}
        << QStringList{} << QStringList{u"codex:1741496400=15"_s};
    QTest::newRow("UTC midnight is not the local day boundary")
        << QStringList{u"2025-03-10T02:00:00Z=7"_s, u"2025-03-10T04:00:00Z=3"_s} << QStringList{}
        << QStringList{u"codex:1741496400=7"_s, u"codex:1741579200=3"_s};
    QTest::newRow("a day without totals makes no point")
        << QStringList{u"2025-06-01T10:00:00Z="_s, u"2025-06-01T11:00:00Z="_s, u"2025-06-02T10:00:00Z=0"_s}
        << QStringList{} << QStringList{u"codex:1748836800=0"_s};
    QTest::newRow("days sorted, codex first on equal days")
        << QStringList{u"2025-06-02T10:00:00Z=2"_s, u"2025-06-01T10:00:00Z=1"_s}
        << QStringList{u"2025-06-01T20:00:00Z=4"_s, u"2025-06-01T03:00:00Z=8"_s}
        << QStringList{u"claude:1748664000=8"_s, u"codex:1748750400=1"_s, u"claude:1748750400=4"_s,
                       u"codex:1748836800=2"_s};
    QTest::newRow("the long day when clocks go back")
        << QStringList{u"2025-11-02T00:30:00-04:00=1"_s, u"2025-11-02T23:30:00-05:00=2"_s} << QStringList{}
        << QStringList{u"codex:1762056000=3"_s};
    QTest::newRow("no buckets") << QStringList{} << QStringList{} << QStringList{};
}

void TestProviderStateAssembler::history()
{
    QFETCH(QStringList, codexBuckets);
    QFETCH(QStringList, claudeBuckets);
    QFETCH(QStringList, expected);

    ProviderViewState codex{ProviderService::codex, {u"codex"_s, u"Codex"_s, std::nullopt}};
    for (const QString& spec : codexBuckets)
        codex.tokenBuckets.append(bucket(spec));
    ProviderViewState claude{ProviderService::claude, {u"claude"_s, u"Claude"_s, std::nullopt}};
    for (const QString& spec : claudeBuckets)
        claude.tokenBuckets.append(bucket(spec));

    QStringList actual;
    for (const HistoryPoint& point : PSA::history({codex, claude})) {
        actual.append(point.id + u'=' + QString::number(point.tokens));
        const qint64 dayStart = point.id.section(u':', 1).toLongLong();
        QCOMPARE(point.date.secondsSince1970(), double(dayStart));
        QCOMPARE(point.providerName, point.service == ProviderService::codex ? u"Codex"_s : u"Claude"_s);
        QCOMPARE(point.id.section(u':', 0, 0), caseName(point.service));
    }
    QCOMPARE(actual, expected);
}

void TestProviderStateAssembler::historySaturatesInsteadOfOverflowing()
{
    constexpr auto largest = std::numeric_limits<std::int64_t>::max();
    ProviderViewState state{ProviderService::claude, {u"claude"_s, u"Claude"_s, std::nullopt}};
    state.tokenBuckets = {bucket(u"2025-06-01T10:00:00Z=%1"_s.arg(largest - 1)),
                          bucket(u"2025-06-01T11:00:00Z=5"_s)};
    const auto points = PSA::history({state});
    QCOMPARE(points.size(), 1);
    QCOMPARE(points[0].tokens, largest);
}

void TestProviderStateAssembler::latestWindowsPerBucket_data()
{
    QTest::addColumn<QStringList>("windows");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("later observation wins")
        << QStringList{u"old week sevenDay 100"_s, u"new week sevenDay 200"_s} << QStringList{u"new"_s};
    QTest::newRow("earlier in the list but later observed")
        << QStringList{u"new week sevenDay 200"_s, u"old week sevenDay 100"_s} << QStringList{u"new"_s};
    QTest::newRow("equal observations keep the first")
        << QStringList{u"first week sevenDay 100"_s, u"second week sevenDay 100"_s}
        << QStringList{u"first"_s};
    QTest::newRow("kind order, then bucket id")
        << QStringList{u"u unknown-b unknown 1"_s,      u"c custom custom 1"_s,
                       u"m2 model-b modelSpecific 1"_s, u"m1 model-a modelSpecific 1"_s,
                       u"s week sevenDay 1"_s,          u"f session fiveHour 1"_s}
        << QStringList{u"f"_s, u"s"_s, u"m1"_s, u"m2"_s, u"c"_s, u"u"_s};
    QTest::newRow("the kept window's kind decides")
        << QStringList{u"a zz fiveHour 1"_s, u"b aa sevenDay 5"_s, u"c zz custom 9"_s}
        << QStringList{u"b"_s, u"c"_s};
    QTest::newRow("empty") << QStringList{} << QStringList{};
}

void TestProviderStateAssembler::latestWindowsPerBucket()
{
    QFETCH(QStringList, windows);
    QFETCH(QStringList, expected);
    QCOMPARE(ids(PSA::latestWindowsPerBucket(::windows(windows))), expected);
}

void TestProviderStateAssembler::primaryWindow_data()
{
    QTest::addColumn<QStringList>("windows");
    QTest::addColumn<QString>("expected"); // null: none

    QTest::newRow("five-hour preferred over newer windows")
        << QStringList{u"w week sevenDay 900"_s, u"f session fiveHour 100"_s} << u"f"_s;
    QTest::newRow("newest five-hour")
        << QStringList{u"f1 session fiveHour 100"_s, u"f2 session fiveHour 300"_s, u"f3 other fiveHour 200"_s}
        << u"f2"_s;
    QTest::newRow("five-hour tie keeps the first")
        << QStringList{u"f1 session fiveHour 100"_s, u"f2 other fiveHour 100"_s} << u"f1"_s;
    QTest::newRow("seven-day and custom only: most recent")
        << QStringList{u"w week sevenDay 100"_s, u"c custom custom 250"_s, u"w2 week sevenDay 200"_s}
        << u"c"_s;
    QTest::newRow("no five-hour, tie keeps the first")
        << QStringList{u"w week sevenDay 100"_s, u"c custom custom 100"_s} << u"w"_s;
    QTest::newRow("empty") << QStringList{} << QString();
}

void TestProviderStateAssembler::primaryWindow()
{
    QFETCH(QStringList, windows);
    QFETCH(QString, expected);
    const auto primary = PSA::primaryWindow(::windows(windows));
    QCOMPARE(primary ? primary->id : QString(), expected);
}

void TestProviderStateAssembler::secondaryWindows_data()
{
    QTest::addColumn<QStringList>("windows");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("primary bucket left out, all its observations")
        << QStringList{u"f1 session fiveHour 100"_s, u"w week sevenDay 100"_s, u"f2 session fiveHour 200"_s,
                       u"m opus modelSpecific 100"_s}
        << QStringList{u"w"_s, u"m"_s};
    QTest::newRow("primary chosen by recency when there is no five-hour")
        << QStringList{u"w week sevenDay 100"_s, u"c custom custom 250"_s} << QStringList{u"w"_s};
    QTest::newRow("only the primary") << QStringList{u"f session fiveHour 1"_s} << QStringList{};
    QTest::newRow("empty") << QStringList{} << QStringList{};
}

void TestProviderStateAssembler::secondaryWindows()
{
    QFETCH(QStringList, windows);
    QFETCH(QStringList, expected);
    ProviderViewState state;
    state.windows = ::windows(windows);
    QCOMPARE(ids(PSA::secondaryWindows(state)), expected);
}

void TestProviderStateAssembler::menuSnapshotsKeepEveryWindow()
{
    ProviderViewState codex{ProviderService::codex, {u"codex-id"_s, u"Codex"_s, std::nullopt}};
    codex.windows = windows({u"a week sevenDay 1"_s, u"b week sevenDay 2"_s, u"c session fiveHour 1"_s});
    const ProviderViewState claude{ProviderService::claude, {u"claude-id"_s, u"Claude"_s, std::nullopt}};
    const QList<ProviderMenuSnapshot> expected{{u"codex-id"_s, u"Codex"_s, codex.windows},
                                               {u"claude-id"_s, u"Claude"_s, {}}};
    QCOMPARE(PSA::menuSnapshots({codex, claude}), expected);
}

QTEST_GUILESS_MAIN(TestProviderStateAssembler)
#include "TestProviderStateAssembler.moc"
