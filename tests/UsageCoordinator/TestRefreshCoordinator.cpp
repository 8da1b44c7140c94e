#include <UsageCoordinator/RefreshCoordinator.h>

#include "FakeProvider.h"
#include "ManualClock.h"

#include <QTest>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace std::chrono_literals;
using namespace Qt::Literals::StringLiterals;

namespace {

const QString claudeID = QStringLiteral("app.tallyvane.claude.subscription");
const QString codexID = QStringLiteral("app.tallyvane.codex.subscription");

using Fake = std::shared_ptr<FakeProvider>;

QList<ProviderRegistration> registrationsFor(const QList<Fake>& providers)
{
    QList<ProviderRegistration> registrations;
    for (const Fake& provider : providers)
        registrations.append({QUuid::createUuid(), provider});
    return registrations;
}

QStringList outcomeIDs(const RefreshSummary& summary)
{
    QStringList ids;
    for (const ProviderRefreshOutcome& outcome : summary.outcomes)
        ids.append(outcome.providerID);
    return ids;
}

ProviderDiagnostic error()
{
    return FakeProvider::diagnostic(DiagnosticSeverity::error, QStringLiteral("test.failed"));
}

} // namespace

class TestRefreshCoordinator : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void noRegistrations();
    void joinedCallersShareOneRefresh();
    void scheduledRefreshSkipsEveryBackingOffProvider();
    void scheduledRefreshAtTheRetryInstant_data();
    void scheduledRefreshAtTheRetryInstant();
    void manualRefreshCollectsBackingOffProvider_data();
    void manualRefreshCollectsBackingOffProvider();
    void skippedProviderKeepsItsEntry();
    void outcomesSortedByIdWhateverTheAnswerOrder();
    void equalIdsKeepCompletionOrder();
    void providersRunConcurrently();
};

void TestRefreshCoordinator::noRegistrations()
{
    ManualClock clock;
    RefreshCoordinator coordinator({}, clock.function());
    const RefreshSummary summary = QCoro::waitFor(coordinator.refresh(RefreshTrigger::scheduled));
    QCOMPARE(summary.trigger, RefreshTrigger::scheduled);
    QCOMPARE(summary.startedAt, clock.current());
    QVERIFY(summary.outcomes.isEmpty());
    QVERIFY(summary.skippedProviderIDs.isEmpty());
    QVERIFY(!coordinator.isRefreshing());
}

void TestRefreshCoordinator::joinedCallersShareOneRefresh()
{
    ManualClock clock;
    const Fake codex = FakeProvider::create(codexID);
    const Fake claude = FakeProvider::create(claudeID);
    codex->answerWithDiagnostics({error()});
    codex->hold();
    claude->hold();
    const QList<ProviderRegistration> registrations = registrationsFor({codex, claude});
    RefreshCoordinator coordinator(registrations, clock.function());
    const Instant startedAt = clock.current();

    QCoro::Task<RefreshSummary> first = coordinator.refresh(RefreshTrigger::manual);
    QVERIFY(coordinator.isRefreshing());
    clock.advance(5);
    // The joined caller resumes only after the starter has updated backoff.
    std::optional<BackoffState> seenByJoinedCaller;
    auto joined = [&]() -> QCoro::Task<RefreshSummary> {
        RefreshSummary summary = co_await coordinator.refresh(RefreshTrigger::scheduled);
        seenByJoinedCaller = coordinator.backoffState(codexID);
        co_return summary;
    };
    QCoro::Task<RefreshSummary> second = joined();
    clock.advance(5); // backoff counts from the start, not from the answer
    codex->release();
    claude->release();
    const RefreshSummary firstSummary = QCoro::waitFor(first);
    const RefreshSummary secondSummary = QCoro::waitFor(second);

    QCOMPARE(codex->collectCount(), 1);
    QCOMPARE(claude->collectCount(), 1);
    for (const RefreshSummary& summary : {firstSummary, secondSummary}) {
        QCOMPARE(summary.trigger, RefreshTrigger::manual);
        QCOMPARE(summary.startedAt, startedAt);
        QCOMPARE(outcomeIDs(summary), (QStringList{claudeID, codexID}));
        QVERIFY(summary.skippedProviderIDs.isEmpty());
    }
    QCOMPARE(coordinator.backoffState(codexID), (BackoffState{1, startedAt.addingSeconds(30)}));
    QCOMPARE(coordinator.nextAutomaticRefreshAt(claudeID), std::nullopt);
    QCOMPARE(seenByJoinedCaller, coordinator.backoffState(codexID));
    QVERIFY(!coordinator.isRefreshing());

    QCOMPARE(codex->requests().at(0).connectionID, registrations.at(0).connectionID);
    QCOMPARE(claude->requests().at(0).connectionID, registrations.at(1).connectionID);
    QCOMPARE(claude->requests().at(0).observedAt, startedAt);
}

void TestRefreshCoordinator::scheduledRefreshSkipsEveryBackingOffProvider()
{
    ManualClock clock;
    const Fake codex = FakeProvider::create(codexID);
    const Fake claude = FakeProvider::create(claudeID);
    codex->answerWithDiagnostics({error()});
    claude->answerWithDiagnostics({error()});
    RefreshCoordinator coordinator(registrationsFor({codex, claude}), clock.function());
    QCoro::waitFor(coordinator.refresh(RefreshTrigger::manual));
    const BackoffState codexEntry = *coordinator.backoffState(codexID);
    const BackoffState claudeEntry = *coordinator.backoffState(claudeID);

    clock.advance(10);
    const RefreshSummary summary = QCoro::waitFor(coordinator.refresh(RefreshTrigger::scheduled));
    QVERIFY(summary.outcomes.isEmpty());
    QCOMPARE(summary.skippedProviderIDs, (QStringList{claudeID, codexID}));
    QCOMPARE(codex->collectCount(), 1);
    QCOMPARE(claude->collectCount(), 1);
    QCOMPARE(coordinator.backoffState(codexID), codexEntry);
    QCOMPARE(coordinator.backoffState(claudeID), claudeEntry);
}

void TestRefreshCoordinator::scheduledRefreshAtTheRetryInstant_data()
{
    QTest::addColumn<double>("offset");
    QTest::addColumn<bool>("collected");
    QTest::newRow("one second early") << 29.0 << false;
    QTest::newRow("exactly due") << 30.0 << true;
}

void TestRefreshCoordinator::scheduledRefreshAtTheRetryInstant()
{
    QFETCH(double, offset);
    QFETCH(bool, collected);
    ManualClock clock;
    const Fake codex = FakeProvider::create(codexID);
    codex->answerWithDiagnostics({error()});
    RefreshCoordinator coordinator(registrationsFor({codex}), clock.function());
    QCoro::waitFor(coordinator.refresh(RefreshTrigger::scheduled));
    QCOMPARE(coordinator.nextAutomaticRefreshAt(codexID), clock.current().addingSeconds(30));

    clock.advance(offset);
    const RefreshSummary summary = QCoro::waitFor(coordinator.refresh(RefreshTrigger::appBecameActive));
    QCOMPARE(codex->collectCount(), collected ? 2 : 1);
    QCOMPARE(summary.skippedProviderIDs, collected ? QStringList{} : QStringList{codexID});
    QCOMPARE(coordinator.backoffState(codexID)->failureCount, collected ? 2 : 1);
}

// A provider backing off is collected by a manual refresh; what it answers decides its entry.
void TestRefreshCoordinator::manualRefreshCollectsBackingOffProvider_data()
{
    QTest::addColumn<QList<ProviderDiagnostic>>("diagnostics");
    QTest::addColumn<bool>("withWindow");
    QTest::addColumn<qint64>("failureCount"); // 0: no entry
    QTest::addColumn<double>("delay");

    const auto warning = FakeProvider::diagnostic(DiagnosticSeverity::warning,
                                                  QStringLiteral("codex.authentication_required"));
    const auto info = FakeProvider::diagnostic(DiagnosticSeverity::info, QStringLiteral("codex.note"));
    QTest::newRow("clean success") << QList<ProviderDiagnostic>{} << true << qint64(0) << 0.0;
    QTest::newRow("warning only") << QList<ProviderDiagnostic>{warning} << false << qint64(0) << 0.0;
    QTest::newRow("info and warning") << QList<ProviderDiagnostic>{info, warning} << true << qint64(0) << 0.0;
    QTest::newRow("error again") << QList<ProviderDiagnostic>{error()} << false << qint64(2) << 60.0;
    QTest::newRow("windows with an error")
        << QList<ProviderDiagnostic>{warning, error()} << true << qint64(2) << 60.0;
}

void TestRefreshCoordinator::manualRefreshCollectsBackingOffProvider()
{
    QFETCH(QList<ProviderDiagnostic>, diagnostics);
    QFETCH(bool, withWindow);
    QFETCH(qint64, failureCount);
    QFETCH(double, delay);
    ManualClock clock;
    const Fake codex = FakeProvider::create(codexID);
    codex->answerWithDiagnostics({error()});
    RefreshCoordinator coordinator(registrationsFor({codex}), clock.function());
    QCoro::waitFor(coordinator.refresh(RefreshTrigger::scheduled));

    clock.advance(1);
    if (withWindow)
        codex->answerWithWindowAnd(diagnostics);
    else
        codex->answerWithDiagnostics(diagnostics);
    const RefreshSummary summary = QCoro::waitFor(coordinator.refresh(RefreshTrigger::manual));
    QCOMPARE(codex->collectCount(), 2);
    QCOMPARE(outcomeIDs(summary), QStringList{codexID});
    QCOMPARE(summary.outcomes.at(0).collection.windows.size(), withWindow ? 1 : 0);
    if (failureCount == 0)
        QCOMPARE(coordinator.backoffState(codexID), std::nullopt);
    else
        QCOMPARE(coordinator.backoffState(codexID),
                 (BackoffState{failureCount, clock.current().addingSeconds(delay)}));
}

void TestRefreshCoordinator::skippedProviderKeepsItsEntry()
{
    ManualClock clock;
    const Fake codex = FakeProvider::create(codexID);
    const Fake claude = FakeProvider::create(claudeID);
    codex->answerWithDiagnostics({error()});
    RefreshCoordinator coordinator(registrationsFor({codex, claude}), clock.function());
    QCoro::waitFor(coordinator.refresh(RefreshTrigger::manual));
    QCoro::waitFor(coordinator.refresh(RefreshTrigger::manual));
    const BackoffState entry = *coordinator.backoffState(codexID);
    QCOMPARE(entry.failureCount, 2);

    clock.advance(20);
    const RefreshSummary summary = QCoro::waitFor(coordinator.refresh(RefreshTrigger::providerFileChanged));
    QCOMPARE(outcomeIDs(summary), QStringList{claudeID});
    QCOMPARE(summary.skippedProviderIDs, QStringList{codexID});
    QCOMPARE(coordinator.backoffState(codexID), entry);
    QCOMPARE(claude->collectCount(), 3);
}

void TestRefreshCoordinator::outcomesSortedByIdWhateverTheAnswerOrder()
{
    // Registered and answering in the order opposite to the ids, so neither order hides a
    // missing sort.
    ManualClock clock;
    const Fake codex = FakeProvider::create(codexID);
    const Fake claude = FakeProvider::create(claudeID);
    codex->hold();
    claude->hold();
    QStringList answered;
    for (const Fake& provider : {codex, claude})
        connect(provider.get(), &FakeProvider::collectAnswered, this,
                [&](const QString& id) { answered.append(id); });
    RefreshCoordinator coordinator(registrationsFor({codex, claude}), clock.function());

    QCoro::Task<RefreshSummary> refresh = coordinator.refresh(RefreshTrigger::manual);
    codex->release();
    QTRY_COMPARE(codex->pendingCount(), 0);
    QVERIFY(coordinator.isRefreshing());
    claude->release();
    const RefreshSummary summary = QCoro::waitFor(refresh);

    QCOMPARE(answered, (QStringList{codexID, claudeID}));
    QCOMPARE(outcomeIDs(summary), (QStringList{claudeID, codexID}));
    QCOMPARE(summary.outcomes.at(0).collection.provider.id, claudeID);
}

void TestRefreshCoordinator::equalIdsKeepCompletionOrder()
{
    ManualClock clock;
    const Fake first = FakeProvider::create(codexID);
    const Fake second = FakeProvider::create(codexID);
    first->answerWithDiagnostics(
        {FakeProvider::diagnostic(DiagnosticSeverity::info, QStringLiteral("first"))});
    second->answerWithDiagnostics(
        {FakeProvider::diagnostic(DiagnosticSeverity::info, QStringLiteral("second"))});
    first->hold();
    second->hold();
    RefreshCoordinator coordinator(registrationsFor({first, second}), clock.function());

    QCoro::Task<RefreshSummary> refresh = coordinator.refresh(RefreshTrigger::manual);
    second->release();
    QTRY_COMPARE(second->pendingCount(), 0);
    first->release();
    const RefreshSummary summary = QCoro::waitFor(refresh);

    QCOMPARE(summary.outcomes.size(), 2);
    QCOMPARE(summary.outcomes.at(0).collection.diagnostics.at(0).code, QStringLiteral("second"));
    QCOMPARE(summary.outcomes.at(1).collection.diagnostics.at(0).code, QStringLiteral("first"));
}

void TestRefreshCoordinator::providersRunConcurrently()
{
    ManualClock clock;
    const Fake slow = FakeProvider::create(codexID);
    const Fake fast = FakeProvider::create(claudeID);
    slow->setAnswerDelay(60ms);
    fast->setAnswerDelay(5ms);
    QStringList events;
    for (const Fake& provider : {slow, fast}) {
        connect(provider.get(), &FakeProvider::collectStarted, this,
                [&](const QString& id) { events.append(u"start "_s + id); });
        connect(provider.get(), &FakeProvider::collectAnswered, this,
                [&](const QString& id) { events.append(u"answer "_s + id); });
    }
    RefreshCoordinator coordinator(registrationsFor({slow, fast}), clock.function());
    const RefreshSummary summary = QCoro::waitFor(coordinator.refresh(RefreshTrigger::manual));

    QCOMPARE(events.size(), 4);
    QVERIFY2(events.indexOf(u"start "_s + claudeID) < events.indexOf(u"answer "_s + codexID),
             qPrintable(events.join(u", ")));
    QCOMPARE(outcomeIDs(summary), (QStringList{claudeID, codexID}));
}

QTEST_GUILESS_MAIN(TestRefreshCoordinator)
#include "TestRefreshCoordinator.moc"
