#include <TallyvaneUI/ApplicationCore.h>
#include <TallyvaneUI/Preferences.h>
#include <TallyvaneUI/UsageAppModel.h>
#include <TallyvaneUI/UsageNotifications.h>

#include <Platform/DesktopNotifications.h>

#include "AppModelFixture.h"
#include "FakeNotificationServer.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

namespace {

UsageWindowSample windowAt(double usedFraction, ProviderService service)
{
    return UsageWindowSample{
        .id = u"w"_s,
        .connectionID = UsageAppModel::connectionID(service),
        .providerBucketID = u"five_hour"_s,
        .windowKind = UsageWindowKind::fiveHour,
        .usedFraction = Decimal::fromDouble(usedFraction),
        .source = {u"test"_s, u"Test"_s, false},
    };
}

using Fixture = AppModelFixture;

} // namespace

class TestUsageAppModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startsOnce()
    {
        Fixture f;
        QSignalSpy refreshing(f.model.get(), &UsageAppModel::isRefreshingChanged);
        f.codex->hold();
        QCoro::Task<> first = f.model->start();
        QCoro::Task<> second = f.model->start();
        QCoro::Task<> third = f.model->start();
        f.codex->release();
        QCoro::waitFor(first);
        QCoro::waitFor(second);
        QCoro::waitFor(third);
        QCOMPARE(f.collections(), 2);
        QCOMPARE(f.authentication->statusCount(ProviderService::codex),
                 1);                     // shared by the model and the gate
        QCOMPARE(refreshing.count(), 2); // on, then off: one refresh
        QCOMPARE(f.model->providers().size(), 2);
        QCOMPARE(f.model->lastUpdatedAt(), f.clock.current());
    }

    void refreshesWhenTheIntervalHasPassed_data()
    {
        QTest::addColumn<bool>("interactive");
        QTest::addColumn<double>("stored");
        QTest::addColumn<double>("interval");
        QTest::newRow("idle, 60 raised to 120") << false << 60.0 << 120.0;
        QTest::newRow("idle, 900") << false << 900.0 << 900.0;
        QTest::newRow("interactive, 300") << true << 300.0 << 300.0;
    }

    void refreshesWhenTheIntervalHasPassed()
    {
        QFETCH(bool, interactive);
        QFETCH(double, stored);
        QFETCH(double, interval);
        Fixture f;
        f.preferences.setValue(
            interactive ? u"advanced.refreshActiveSeconds"_s : u"advanced.refreshIdleSeconds"_s, stored);
        f.model->setInteractive(interactive);

        QCoro::waitFor(f.model->refreshIfDue()); // nothing yet: refresh at once
        QCOMPARE(f.collections(), 2);
        f.clock.advance(interval - 1);
        QCoro::waitFor(f.model->refreshIfDue());
        QCOMPARE(f.collections(), 2);
        f.clock.advance(1);
        QCoro::waitFor(f.model->refreshIfDue());
        QCOMPARE(f.collections(), 4);
    }

    void refreshIfDueDoesNothingWhileRefreshing()
    {
        Fixture f;
        f.claude->hold();
        QCoro::Task<> running = f.model->refresh(RefreshTrigger::manual);
        QVERIFY(f.model->isRefreshing());
        const int queries = f.authentication->statusCount(ProviderService::claude);
        QCoro::waitFor(f.model->refreshIfDue());
        QCOMPARE(f.authentication->statusCount(ProviderService::claude), queries);
        f.claude->release();
        QCoro::waitFor(running);
        QVERIFY(!f.model->isRefreshing());
    }

    void oneSignInOrDisconnectAtATime()
    {
        Fixture f;
        f.authentication->holdActions();
        QCoro::Task<> disconnecting = f.model->disconnect(ProviderService::codex);
        QCOMPARE(f.model->connectionState(ProviderService::codex).status,
                 ProviderConnectionStatus::disconnecting);
        const ProviderConnectionState claudeBefore = f.model->connectionState(ProviderService::claude);

        QCoro::waitFor(f.model->connect(ProviderService::claude));
        QCOMPARE(f.authentication->loginCount(ProviderService::claude), 0);
        QCOMPARE(f.model->connectionState(ProviderService::claude), claudeBefore);

        f.authentication->release();
        QCoro::waitFor(disconnecting);
        QCOMPARE(f.model->connectionState(ProviderService::codex),
                 FakeAuthenticator::signedOut(ProviderService::codex));
        QVERIFY(!f.model->authenticationAction());
        QCOMPARE(f.collections(), 0); // no refresh follows a disconnect
    }

    void signInOutcomeDecidesTheFollowUp()
    {
        Fixture f;
        QCoro::waitFor(f.model->refresh(RefreshTrigger::manual));
        QCOMPARE(f.collections(), 2);

        const ProviderConnectionState failed{ProviderService::claude, ProviderConnectionStatus::failed,
                                             u"Claude sign-in was not completed"_s};
        f.authentication->setLoginAnswer(failed);
        QCoro::waitFor(f.model->connect(ProviderService::claude));
        QCOMPARE(f.collections(), 2);
        QCOMPARE(f.model->connectionState(ProviderService::claude), failed);
        const ProviderViewState claude = f.model->providers().last();
        QCOMPARE(claude.availability, ProviderAvailability::authenticationRequired);
        QVERIFY(claude.windows.isEmpty());

        f.authentication->setLoginAnswer(FakeAuthenticator::signedIn(ProviderService::claude));
        QCoro::waitFor(f.model->connect(ProviderService::claude));
        QCOMPARE(f.collections(), 4);
        QCOMPARE(f.model->providers().last().windows.size(), 1);
    }

    void signedOutServiceShowsTheWarningAndNeverBacksOff()
    {
        Fixture f;
        f.authentication->setStatus(FakeAuthenticator::signedOut(ProviderService::claude));
        QCoro::waitFor(f.model->refresh(RefreshTrigger::manual));
        QCoro::waitFor(f.model->refresh(RefreshTrigger::manual));

        const ProviderViewState claude = f.model->providers().last();
        QCOMPARE(f.claude->collectCount(), 0);
        QCOMPARE(claude.diagnostics.value(0).code, u"claude.authentication_required"_s);
        QVERIFY(!f.model->coordinator().nextAutomaticRefreshAt(providerID(ProviderService::claude)));
    }

    void runningSignInKeepsItsStateThroughARefresh()
    {
        Fixture f;
        f.authentication->holdActions();
        QCoro::Task<> signingIn = f.model->connect(ProviderService::claude);
        QCoro::waitFor(f.model->refresh(RefreshTrigger::manual));
        QCOMPARE(f.model->connectionState(ProviderService::claude).status,
                 ProviderConnectionStatus::connecting);
        QCOMPARE(f.model->connectionState(ProviderService::codex).status, ProviderConnectionStatus::signedIn);
        f.authentication->release();
        QCoro::waitFor(signingIn);
        QCOMPARE(f.model->connectionState(ProviderService::claude).status,
                 ProviderConnectionStatus::signedIn);
    }

    void alertsReachTheNotificationService_data()
    {
        QTest::addColumn<QString>("steps");  // a used share, "500" (a failed collection),
                                             // "backoff" (a scheduled refresh that is skipped) or
                                             // "signout" (a disconnect)
        QTest::addColumn<QString>("posted"); // the percentages announced, in order
        QTest::newRow("first observation silent, then a crossing") << u"0.4 0.8"_s << u"75"_s;
        QTest::newRow("a failed refresh in between") << u"0.7 500 0.92"_s << u"90"_s;
        QTest::newRow("skipped for backoff in between") << u"0.7 500 backoff 0.92"_s << u"90"_s;
        QTest::newRow("signed out in between") << u"0.7 signout 0.92"_s << u""_s;
    }

    void alertsReachTheNotificationService()
    {
        QFETCH(QString, steps);
        QFETCH(QString, posted);
        FakeNotificationServer server;
        QVERIFY(server.start());
        UsageNotificationController controller(std::make_shared<DesktopNotifications>(),
                                               [] { return UsageAlertSettings{.enabled = true}; });
        Fixture f(&controller);
        QCoro::waitFor(controller.refreshPermission());
        for (const QString& step : steps.split(u' ')) {
            if (step == "500"_L1) {
                f.claude->answerWithDiagnostics(
                    {FakeProvider::diagnostic(DiagnosticSeverity::error, u"claude.http_status"_s)});
            } else if (step == "backoff"_L1) {
                f.clock.advance(10);
                QCoro::waitFor(f.model->refresh(RefreshTrigger::scheduled));
                QCOMPARE(f.claude->collectCount(), 2);
                continue;
            } else if (step == "signout"_L1) {
                QCoro::waitFor(f.model->disconnect(ProviderService::claude));
                continue;
            } else {
                f.claude->setCollection({.windows = {windowAt(step.toDouble(), ProviderService::claude)}});
            }
            QCoro::waitFor(f.model->refresh(RefreshTrigger::manual));
        }

        QStringList percentages;
        for (const FakeNotificationServer::Call& call : server.calls())
            percentages.append(call.summary.section(u' ', -1).chopped(1));
        QCOMPARE(percentages.join(u' '), posted);
    }

    void defaultConstructionRegistersBothServices()
    {
        ApplicationCore core([](const QUrl&) { return false; });
        const QList<ProviderRegistration>& registrations = core.model().coordinator().registrations();
        QCOMPARE(registrations.size(), 2);
        QCOMPARE(registrations[0].connectionID, QUuid::fromString(u"A115A6E0-337E-4F26-9809-6B2E75C39D01"_s));
        QCOMPARE(registrations[0].provider->descriptor().id, providerID(ProviderService::codex));
        QCOMPARE(registrations[1].connectionID, QUuid::fromString(u"A115A6E0-337E-4F26-9809-6B2E75C39D02"_s));
        QCOMPARE(registrations[1].provider->descriptor().id, providerID(ProviderService::claude));
        for (ProviderService service : allCases<ProviderService>())
            QCOMPARE(core.model().connectionState(service).status, ProviderConnectionStatus::checking);
    }
};

QTEST_GUILESS_MAIN(TestUsageAppModel)
#include "TestUsageAppModel.moc"
