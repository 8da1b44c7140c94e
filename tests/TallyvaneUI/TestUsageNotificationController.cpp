#include "AlertWindows.h"

#include <FakeNotificationServer.h>
#include <Platform/DesktopNotifications.h>
#include <Platform/NotificationServiceWatcher.h>
#include <TallyvaneUI/UsageNotifications.h>

#include <QCoroTask>
#include <QDBusConnection>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(tallyvane::UsageNotificationPermission)

namespace {

// Set in the child process that runs without a session bus.
constexpr const char* noBusVariable = "TALLYVANE_TEST_WITHOUT_BUS";

const QString codexID = u"app.tallyvane.codex.subscription"_s;
const QString claudeID = u"app.tallyvane.claude.subscription"_s;

UsageAlertSettings enabledSettings(bool windowReset = true)
{
    UsageAlertSettings settings;
    settings.enabled = true;
    settings.windowReset = windowReset;
    return settings;
}

// Stands in for a centre whose authorisation request cannot be made at all.
class RefusingCenter final : public NotificationPosting {
public:
    QCoro::Task<NotificationAuthorization> authorization() override
    {
        co_return NotificationAuthorization::authorized;
    }
    QCoro::Task<std::expected<bool, NotificationPostingError>> requestAuthorization() override
    {
        co_return std::unexpected(NotificationPostingError::serviceFailed);
    }
    QCoro::Task<std::expected<void, NotificationPostingError>> post(UserNotification) override
    {
        co_return {};
    }
};

// A controller on the real session bus whose settings the test can change.
struct Fixture {
    UsageAlertSettings settings = enabledSettings();
    UsageNotificationController controller{std::make_shared<DesktopNotifications>(),
                                           [this] { return settings; }};

    void allow()
    {
        QCoro::waitFor(controller.refreshPermission());
        QCOMPARE(controller.permission(), UsageNotificationPermission::allowed);
    }
    void evaluate(const QList<ProviderViewState>& providers)
    {
        QCoro::waitFor(controller.evaluate(providers, Instant::fromSecondsSince1970(100)));
    }
};

// Checks the permission before and after a refresh, and the answer to an authorisation request.
void checkPermission(UsageNotificationController& controller, UsageNotificationPermission initial,
                     UsageNotificationPermission refreshed, bool granted,
                     UsageNotificationPermission requested)
{
    QCOMPARE(controller.permission(), initial);
    QCoro::waitFor(controller.refreshPermission());
    QCOMPARE(controller.permission(), refreshed);
    QCOMPARE(QCoro::waitFor(controller.requestAuthorization()), granted);
    QCOMPARE(controller.permission(), requested);
}

// Codex with its session window at the given share used.
QList<ProviderViewState> codexAt(double used)
{
    return {alertProvider(codexID, u"Codex"_s, {alertWindow(u"primary"_s, UsageWindowKind::fiveHour, used)})};
}

QStringList summaries(const FakeNotificationServer& server)
{
    QStringList result;
    for (const FakeNotificationServer::Call& call : server.calls())
        result.append(call.summary);
    return result;
}

} // namespace

class TestUsageNotificationController : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        if (qEnvironmentVariableIsSet(noBusVariable))
            return;
        QVERIFY2(QDBusConnection::sessionBus().isConnected(),
                 "needs a session bus: run inside dbus-run-session");
    }

    void init()
    {
        // The child without a bus runs only its own case.
        if (qEnvironmentVariableIsSet(noBusVariable) &&
            qstrcmp(QTest::currentTestFunction(), "permissionWithoutSessionBus"))
            QSKIP("needs the bus");
    }

    // Asked for, then followed: a notification daemon that goes, or starts after the
    // application, is noticed without anyone asking again.
    void permissionFollowsTheService()
    {
        Fixture fixture;
        QSignalSpy changes(&fixture.controller, &UsageNotificationController::permissionChanged);
        using enum UsageNotificationPermission;
        checkPermission(fixture.controller, notRequested, denied, false, denied);

        NotificationServiceWatcher watcher;
        auto server = std::make_unique<FakeNotificationServer>();
        QVERIFY(server->start());
        QVERIFY(QCoro::waitFor(fixture.controller.requestAuthorization()));
        QCOMPARE(fixture.controller.permission(), allowed);
        QVERIFY(server->calls().isEmpty()); // asking posts nothing
        fixture.controller.followService(watcher);
        server.reset();
        QTRY_COMPARE(fixture.controller.permission(), denied);
        FakeNotificationServer later;
        QVERIFY(later.start());
        QTRY_COMPARE(fixture.controller.permission(), allowed);
        QCOMPARE(changes.size(), 4); // denied, allowed, denied, allowed
    }

    void permissionWithoutSessionBus()
    {
        if (!qEnvironmentVariableIsSet(noBusVariable)) {
            // The session bus connection is made once per process, so the case runs in a child.
            QProcess child;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QString::fromLatin1(noBusVariable), u"1"_s);
            environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, u"unix:path=/nonexistent/tallyvane-test-bus"_s);
            child.setProcessEnvironment(environment);
            child.setProcessChannelMode(QProcess::ForwardedChannels);
            child.start(QCoreApplication::applicationFilePath(), {u"permissionWithoutSessionBus"_s});
            QVERIFY(child.waitForFinished(60'000));
            QCOMPARE(child.exitStatus(), QProcess::NormalExit);
            QCOMPARE(child.exitCode(), 0);
            return;
        }

        QVERIFY(!QDBusConnection::sessionBus().isConnected());
        UsageNotificationController controller(std::make_shared<DesktopNotifications>(),
                                               [] { return enabledSettings(); });
        using enum UsageNotificationPermission;
        checkPermission(controller, notRequested, unavailable, false, unavailable);

        DesktopNotifications center;
        const auto posted = QCoro::waitFor(center.post({u"usage.x"_s, u"t"_s, u"b"_s, true}));
        QCOMPARE(posted, std::unexpected(NotificationPostingError::busUnavailable));
    }

    void permissionWithoutAWorkingCenter()
    {
        using enum UsageNotificationPermission;
        UsageNotificationController refused(std::make_shared<RefusingCenter>(),
                                            [] { return enabledSettings(); });
        checkPermission(refused, notRequested, allowed, false, denied);

        UsageNotificationController none(nullptr, [] { return enabledSettings(); });
        checkPermission(none, unavailable, unavailable, false, unavailable);
        // States still advance so the alert logic does not depend on a centre.
        QCoro::waitFor(none.evaluate(codexAt(0.3), Instant::fromSecondsSince1970(100)));
        QCOMPARE(none.evaluator().states().size(), 1);
    }

    void postsEveryEventOverDBus()
    {
        FakeNotificationServer server;
        QVERIFY(server.start());
        server.failCall(0); // a failing call must not stop the next
        Fixture fixture;
        fixture.allow();

        UsageWindowSample opus = alertWindow(u"seven_day_opus"_s, UsageWindowKind::modelSpecific, 0.2);
        fixture.evaluate({alertProvider(codexID, u"Codex"_s,
                                        {alertWindow(u"primary"_s, UsageWindowKind::fiveHour, 0.93),
                                         alertWindow(u"secondary"_s, UsageWindowKind::sevenDay, 0.6)}),
                          alertProvider(claudeID, u"Claude"_s, {opus})});
        QVERIFY(server.calls().isEmpty()); // first observation

        opus.usedFraction = Decimal::fromDouble(0.755);
        fixture.evaluate({alertProvider(codexID, u"Codex"_s,
                                        {alertWindow(u"primary"_s, UsageWindowKind::fiveHour, 0.96),
                                         alertWindow(u"secondary"_s, UsageWindowKind::sevenDay, 0.01)}),
                          alertProvider(claudeID, u"Claude"_s, {opus})});

        const QList<FakeNotificationServer::Call>& calls = server.calls();
        QCOMPARE(calls.size(), 3);
        QCOMPARE(summaries(server),
                 (QStringList{u"Codex reached 95%"_s, u"Codex limit reset"_s, u"Claude reached 75%"_s}));
        QCOMPARE(calls[0].body, u"Session has 96% used."_s); // the newest share, not the crossed one
        QVERIFY(calls[0].failed && !calls[1].failed && !calls[2].failed);
    }

    // What was crossed while alerts could not be posted is not announced later; the next
    // threshold is. Off also forgets, so switching on again starts with a silent first look.
    void blockedAlertsAreNotAnnouncedLater_data()
    {
        QTest::addColumn<QString>("steps"); // used shares, "allow", "off" and "on"
        QTest::newRow("permission not yet checked") << u"0.1 0.6 allow 0.6 0.9"_s;
        QTest::newRow("switched off, then on") << u"allow 0.1 off 0.6 on 0.8 0.91"_s;
    }

    void blockedAlertsAreNotAnnouncedLater()
    {
        QFETCH(QString, steps);
        FakeNotificationServer server;
        QVERIFY(server.start());
        Fixture fixture;
        for (const QString& step : steps.split(u' ')) {
            if (step == "allow"_L1)
                fixture.allow();
            else if (step == "off"_L1 || step == "on"_L1)
                fixture.settings.enabled = step == "on"_L1;
            else
                fixture.evaluate(codexAt(step.toDouble()));
        }
        QCOMPARE(summaries(server), QStringList{u"Codex reached 90%"_s});
    }
};

QTEST_GUILESS_MAIN(TestUsageNotificationController)
#include "TestUsageNotificationController.moc"
