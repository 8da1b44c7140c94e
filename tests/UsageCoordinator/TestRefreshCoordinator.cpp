#include <UsageCoordinator/RefreshCoordinator.h>

#include "FakeProvider.h"
#include "ManualClock.h"

#include <QTest>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace std::chrono_literals;
using namespace Qt::Literals::StringLiterals;

namespace {

const QString claudeID = u"app.tallyvane.claude.subscription"_s;
const QString codexID = u"app.tallyvane.codex.subscription"_s;

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
    return FakeProvider::diagnostic(DiagnosticSeverity::error, u"test.failed"_s);
}

// Codex registered before Claude, so registration order is never the sorted order.
struct Rig {
    ManualClock clock;
    Fake codex = FakeProvider::create(codexID);
    Fake claude = FakeProvider::create(claudeID);
    QList<ProviderRegistration> registrations = registrationsFor({codex, claude});
    RefreshCoordinator coordinator{registrations, clock.function()};
};

RefreshSummary refreshNow(RefreshCoordinator& coordinator, RefreshTrigger trigger)
{
    return QCoro::waitFor(coordinator.refresh(trigger));
}

} // namespace

class TestRefreshCoordinator : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void noRegistrations()
    {
        ManualClock clock;
        RefreshCoordinator coordinator({}, clock.function());
        const RefreshSummary summary = refreshNow(coordinator, RefreshTrigger::scheduled);
        QCOMPARE(summary.trigger, RefreshTrigger::scheduled);
        QCOMPARE(summary.startedAt, clock.current());
        QVERIFY(summary.outcomes.isEmpty() && summary.skippedProviderIDs.isEmpty());
        QVERIFY(!coordinator.isRefreshing());
    }

    void joinedCallersShareOneRefresh()
    {
        Rig rig;
        auto& [clock, codex, claude, registrations, coordinator] = rig;
        codex->answerWithDiagnostics({error()});
        codex->hold();
        claude->hold();
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

    // Codex failed once (retry due 30 s later); an automatic refresh some seconds on. Every trigger
    // but the manual one is automatic; the widget server suite checks its own.
    void automaticRefreshSkipsBackingOffProviders_data()
    {
        QTest::addColumn<RefreshTrigger>("trigger");
        QTest::addColumn<double>("offset");
        QTest::addColumn<bool>("claudeFailed");
        QTest::addColumn<QStringList>("skipped");
        QTest::newRow("one second early")
            << RefreshTrigger::appBecameActive << 29.0 << false << QStringList{codexID};
        QTest::newRow("exactly due") << RefreshTrigger::appBecameActive << 30.0 << false << QStringList{};
        QTest::newRow("every provider, sorted")
            << RefreshTrigger::scheduled << 10.0 << true << QStringList{claudeID, codexID};
    }

    void automaticRefreshSkipsBackingOffProviders()
    {
        QFETCH(RefreshTrigger, trigger);
        QFETCH(double, offset);
        QFETCH(bool, claudeFailed);
        QFETCH(QStringList, skipped);
        Rig rig;
        auto& [clock, codex, claude, registrations, coordinator] = rig;
        codex->answerWithDiagnostics({error()});
        if (claudeFailed)
            claude->answerWithDiagnostics({error()});
        refreshNow(coordinator, RefreshTrigger::manual);
        QCOMPARE(coordinator.nextAutomaticRefreshAt(codexID), clock.current().addingSeconds(30));
        const std::optional<BackoffState> entry = coordinator.backoffState(codexID);

        clock.advance(offset);
        const RefreshSummary summary = refreshNow(coordinator, trigger);
        QCOMPARE(summary.skippedProviderIDs, skipped);
        QCOMPARE(claude->collectCount(), skipped.contains(claudeID) ? 1 : 2);
        QCOMPARE(codex->collectCount(), skipped.contains(codexID) ? 1 : 2);
        if (skipped.contains(codexID))
            QCOMPARE(coordinator.backoffState(codexID), entry); // a skip is neither failure nor success
        else
            QCOMPARE(coordinator.backoffState(codexID)->failureCount, 2);
    }

    // A provider backing off is collected by a manual refresh; what it answers decides its entry.
    void manualRefreshCollectsBackingOffProvider_data()
    {
        QTest::addColumn<QList<ProviderDiagnostic>>("diagnostics");
        QTest::addColumn<bool>("withWindow");
        QTest::addColumn<bool>("backsOff"); // else: no entry
        const auto warning = FakeProvider::diagnostic(DiagnosticSeverity::warning, u"codex.note"_s);
        const auto info = FakeProvider::diagnostic(DiagnosticSeverity::info, u"codex.info"_s);
        QTest::newRow("clean success") << QList<ProviderDiagnostic>{} << true << false;
        QTest::newRow("info and warning only") << QList<ProviderDiagnostic>{info, warning} << false << false;
        QTest::newRow("error again") << QList<ProviderDiagnostic>{error()} << false << true;
        QTest::newRow("windows with an error") << QList<ProviderDiagnostic>{warning, error()} << true << true;
    }

    void manualRefreshCollectsBackingOffProvider()
    {
        QFETCH(QList<ProviderDiagnostic>, diagnostics);
        QFETCH(bool, withWindow);
        QFETCH(bool, backsOff);
        Rig rig;
        auto& [clock, codex, claude, registrations, coordinator] = rig;
        codex->answerWithDiagnostics({error()});
        refreshNow(coordinator, RefreshTrigger::scheduled);

        clock.advance(1);
        if (withWindow)
            codex->answerWithWindowAnd(diagnostics);
        else
            codex->answerWithDiagnostics(diagnostics);
        const RefreshSummary summary = refreshNow(coordinator, RefreshTrigger::manual);
        QCOMPARE(outcomeIDs(summary), (QStringList{claudeID, codexID}));
        QCOMPARE(summary.outcomes.at(1).collection.windows.size(), withWindow ? 1 : 0);
        const auto expected =
            backsOff ? std::optional(BackoffState{2, clock.current().addingSeconds(60)}) : std::nullopt;
        QCOMPARE(coordinator.backoffState(codexID), expected);
    }

    // Providers are held and released one by one, each release answered before the next.
    void outcomesSortedByIdThenCompletion_data()
    {
        QTest::addColumn<QStringList>("ids"); // in registration order; the answer code is the index
        QTest::addColumn<QList<int>>("releaseOrder");
        QTest::addColumn<QStringList>("outcomeCodes");
        QTest::newRow("ids opposite to answers")
            << QStringList{codexID, claudeID} << QList<int>{0, 1} << QStringList{u"1"_s, u"0"_s};
        QTest::newRow("equal ids keep completion order")
            << QStringList{codexID, codexID} << QList<int>{1, 0} << QStringList{u"1"_s, u"0"_s};
    }

    void outcomesSortedByIdThenCompletion()
    {
        QFETCH(QStringList, ids);
        QFETCH(QList<int>, releaseOrder);
        QFETCH(QStringList, outcomeCodes);
        ManualClock clock;
        QList<Fake> fakes;
        for (const QString& id : ids) {
            fakes.append(FakeProvider::create(id));
            fakes.last()->answerWithDiagnostics(
                {FakeProvider::diagnostic(DiagnosticSeverity::info, QString::number(fakes.size() - 1))});
            fakes.last()->hold();
        }
        RefreshCoordinator coordinator(registrationsFor(fakes), clock.function());
        QCoro::Task<RefreshSummary> refresh = coordinator.refresh(RefreshTrigger::manual);
        for (int index : releaseOrder) {
            QVERIFY(coordinator.isRefreshing());
            fakes[index]->release();
            QTRY_COMPARE(fakes[index]->pendingCount(), 0);
        }
        QStringList codes;
        for (const ProviderRefreshOutcome& outcome : QCoro::waitFor(refresh).outcomes)
            codes.append(outcome.collection.diagnostics.at(0).code);
        QCOMPARE(codes, outcomeCodes);
    }

    void outcomesAnnouncedWhileOthersCollect_data()
    {
        QTest::addColumn<bool>("held");
        QTest::addColumn<QStringList>("announced");
        // The first answer is shown at once; the last comes with the summary anyway.
        QTest::newRow("one answers while the other collects") << true << QStringList{codexID};
        QTest::newRow("both answer without waiting") << false << QStringList{};
    }

    void outcomesAnnouncedWhileOthersCollect()
    {
        QFETCH(bool, held);
        QFETCH(QStringList, announced);
        Rig rig;
        QStringList heard;
        rig.coordinator.setOutcomeObserver(
            [&heard](const ProviderRefreshOutcome& outcome) { heard.append(outcome.providerID); });
        if (held) {
            rig.codex->hold();
            rig.claude->hold();
        }
        QCoro::Task<RefreshSummary> refresh = rig.coordinator.refresh(RefreshTrigger::manual);
        if (held) {
            rig.codex->release();
            QTRY_COMPARE(heard, announced);
            rig.claude->release();
        }
        QCOMPARE(QCoro::waitFor(refresh).outcomes.size(), 2);
        QCOMPARE(heard, announced);
    }

    void providersRunConcurrently()
    {
        Rig rig;
        rig.codex->setAnswerDelay(60ms);
        rig.claude->setAnswerDelay(5ms);
        QStringList events;
        for (const Fake& provider : {rig.codex, rig.claude}) {
            connect(provider.get(), &FakeProvider::collectStarted, this,
                    [&](const QString& id) { events.append(u"start "_s + id); });
            connect(provider.get(), &FakeProvider::collectAnswered, this,
                    [&](const QString& id) { events.append(u"answer "_s + id); });
        }
        const RefreshSummary summary = refreshNow(rig.coordinator, RefreshTrigger::manual);
        QCOMPARE(events.size(), 4);
        QVERIFY2(events.indexOf(u"start "_s + claudeID) < events.indexOf(u"answer "_s + codexID),
                 qPrintable(events.join(u", ")));
        QCOMPARE(outcomeIDs(summary), (QStringList{claudeID, codexID}));
    }
};

QTEST_GUILESS_MAIN(TestRefreshCoordinator)
#include "TestRefreshCoordinator.moc"
