#include <FakeNotificationServer.h>
#include <Platform/DesktopNotifications.h>
#include <TallyvaneUI/UsageNotifications.h>

#include <QCoroTask>
#include <QDBusConnection>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QUuid>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(tallyvane::UsageNotificationPermission)

class TestUsageNotificationController : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void permissionFollowsTheService();
    void permissionWithoutSessionBus();
    void withoutCenterNothingHappens();
    void failedAuthorizationRequestDenies();
    void postsEveryEventOverDBus();
    void failedCallDoesNotStopTheNext();
    void nothingPostedUntilAllowed();
    void masterSwitchOffPostsNothingAndForgets();
};

namespace {

// Set in the child process that runs without a session bus.
constexpr const char* noBusVariable = "TALLYVANE_TEST_WITHOUT_BUS";

const QString codexID = u"app.tallyvane.codex.subscription"_s;
const QString claudeID = u"app.tallyvane.claude.subscription"_s;

UsageWindowSample window(const QString& bucket, UsageWindowKind kind, double used, double resetAt = 1000)
{
    UsageWindowSample sample;
    sample.id = bucket;
    sample.providerBucketID = bucket;
    sample.windowKind = kind;
    sample.observedAt = Instant::fromSecondsSince1970(100);
    sample.usedFraction = Decimal::fromDouble(used);
    sample.resetAt = Instant::fromSecondsSince1970(resetAt);
    return sample;
}

ProviderViewState provider(const QString& id, const QString& name, QList<UsageWindowSample> windows)
{
    ProviderViewState state;
    state.descriptor = ProviderDescriptor{id, name, std::nullopt};
    state.windows = std::move(windows);
    return state;
}

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
        QCoro::waitFor(controller.evaluate(providers));
    }
};

QStringList summaries(const FakeNotificationServer& server)
{
    QStringList result;
    for (const FakeNotificationServer::Call& call : server.calls())
        result.append(call.summary);
    return result;
}

} // namespace

void TestUsageNotificationController::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    if (qEnvironmentVariableIsSet(noBusVariable))
        return;
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "needs a session bus: run inside dbus-run-session");
}

void TestUsageNotificationController::permissionFollowsTheService()
{
    if (qEnvironmentVariableIsSet(noBusVariable))
        QSKIP("needs the bus");
    Fixture fixture;
    QSignalSpy changes(&fixture.controller, &UsageNotificationController::permissionChanged);
    QCOMPARE(fixture.controller.permission(), UsageNotificationPermission::notRequested);

    QCoro::waitFor(fixture.controller.refreshPermission());
    QCOMPARE(fixture.controller.permission(), UsageNotificationPermission::denied);
    QVERIFY(!QCoro::waitFor(fixture.controller.requestAuthorization()));
    QCOMPARE(fixture.controller.permission(), UsageNotificationPermission::denied);

    FakeNotificationServer server;
    QVERIFY(server.start());
    QVERIFY(QCoro::waitFor(fixture.controller.requestAuthorization()));
    QCOMPARE(fixture.controller.permission(), UsageNotificationPermission::allowed);

    server.stop();
    QCoro::waitFor(fixture.controller.refreshPermission());
    QCOMPARE(fixture.controller.permission(), UsageNotificationPermission::denied);
    QCOMPARE(changes.size(), 3); // denied, allowed, denied
    QVERIFY(server.calls().isEmpty());
}

void TestUsageNotificationController::permissionWithoutSessionBus()
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
    QCOMPARE(controller.permission(), UsageNotificationPermission::notRequested);
    QCoro::waitFor(controller.refreshPermission());
    QCOMPARE(controller.permission(), UsageNotificationPermission::unavailable);
    QVERIFY(!QCoro::waitFor(controller.requestAuthorization()));
    QCOMPARE(controller.permission(), UsageNotificationPermission::unavailable);

    DesktopNotifications center;
    const auto posted = QCoro::waitFor(center.post({u"usage.x"_s, u"t"_s, u"b"_s, true}));
    QCOMPARE(posted, std::unexpected(NotificationPostingError::busUnavailable));
}

void TestUsageNotificationController::withoutCenterNothingHappens()
{
    UsageNotificationController controller(nullptr, [] { return enabledSettings(); });
    QCOMPARE(controller.permission(), UsageNotificationPermission::unavailable);
    QCoro::waitFor(controller.refreshPermission());
    QCOMPARE(controller.permission(), UsageNotificationPermission::unavailable);
    QVERIFY(!QCoro::waitFor(controller.requestAuthorization()));
    QCOMPARE(controller.permission(), UsageNotificationPermission::unavailable);

    // States still advance so the alert logic does not depend on a centre.
    QCoro::waitFor(controller.evaluate(
        {provider(codexID, u"Codex"_s, {window(u"p"_s, UsageWindowKind::fiveHour, 0.3)})}));
    QCOMPARE(controller.evaluator().states().size(), 1);
}

void TestUsageNotificationController::failedAuthorizationRequestDenies()
{
    UsageNotificationController controller(std::make_shared<RefusingCenter>(),
                                           [] { return enabledSettings(); });
    QCoro::waitFor(controller.refreshPermission());
    QCOMPARE(controller.permission(), UsageNotificationPermission::allowed);
    QVERIFY(!QCoro::waitFor(controller.requestAuthorization()));
    QCOMPARE(controller.permission(), UsageNotificationPermission::denied);
}

void TestUsageNotificationController::postsEveryEventOverDBus()
{
    if (qEnvironmentVariableIsSet(noBusVariable))
        QSKIP("needs the bus");
    FakeNotificationServer server;
    QVERIFY(server.start());
    Fixture fixture;
    fixture.allow();

    UsageWindowSample opus = window(u"seven_day_opus"_s, UsageWindowKind::modelSpecific, 0.2);
    opus.modelID = u"opus"_s;
    fixture.evaluate({provider(codexID, u"Codex"_s,
                               {window(u"primary"_s, UsageWindowKind::fiveHour, 0.93),
                                window(u"secondary"_s, UsageWindowKind::sevenDay, 0.6)}),
                      provider(claudeID, u"Claude"_s, {opus})});
    QVERIFY(server.calls().isEmpty()); // first observation

    opus.usedFraction = Decimal::fromDouble(0.755);
    fixture.evaluate({provider(codexID, u"Codex"_s,
                               {window(u"primary"_s, UsageWindowKind::fiveHour, 0.96),
                                window(u"secondary"_s, UsageWindowKind::sevenDay, 0.01, 2000)}),
                      provider(claudeID, u"Claude"_s, {opus})});

    const QList<FakeNotificationServer::Call>& calls = server.calls();
    QCOMPARE(calls.size(), 3);
    QCOMPARE(summaries(server),
             (QStringList{u"Codex reached 95%"_s, u"Codex limit reset"_s, u"Claude reached 75%"_s}));
    QCOMPARE(calls[0].body, u"Session has 96% used."_s);
    QCOMPARE(calls[1].body, u"Weekly is available again."_s);
    QCOMPARE(calls[2].body, u"opus has 76% used."_s);

    QSet<QString> identifiers;
    for (const FakeNotificationServer::Call& call : calls) {
        QCOMPARE(call.appName, u"Tallyvane"_s);
        QCOMPARE(call.replacesID, 0u);
        QCOMPARE(call.expireTimeout, -1);
        QVERIFY(call.actions.isEmpty());
        QCOMPARE(call.hints.value(u"sound-name"_s).toString(), u"message-new-instant"_s);
        const QString identifier = call.hints.value(u"x-tallyvane-identifier"_s).toString();
        QVERIFY2(identifier.startsWith("usage."_L1), qPrintable(identifier));
        QVERIFY(!QUuid(QStringView(identifier).mid(6)).isNull());
        identifiers.insert(identifier);
    }
    QCOMPARE(identifiers.size(), 3);
}

void TestUsageNotificationController::failedCallDoesNotStopTheNext()
{
    if (qEnvironmentVariableIsSet(noBusVariable))
        QSKIP("needs the bus");
    FakeNotificationServer server;
    QVERIFY(server.start());
    server.failCall(0);
    Fixture fixture;
    fixture.allow();

    fixture.evaluate(
        {provider(codexID, u"Codex"_s, {window(u"primary"_s, UsageWindowKind::fiveHour, 0.1)}),
         provider(claudeID, u"Claude"_s, {window(u"five_hour"_s, UsageWindowKind::fiveHour, 0.1)})});
    fixture.evaluate(
        {provider(codexID, u"Codex"_s, {window(u"primary"_s, UsageWindowKind::fiveHour, 0.5)}),
         provider(claudeID, u"Claude"_s, {window(u"five_hour"_s, UsageWindowKind::fiveHour, 0.8)})});

    QCOMPARE(summaries(server), (QStringList{u"Codex reached 50%"_s, u"Claude reached 75%"_s}));
    QVERIFY(server.calls()[0].failed);
    QVERIFY(!server.calls()[1].failed);
}

void TestUsageNotificationController::nothingPostedUntilAllowed()
{
    if (qEnvironmentVariableIsSet(noBusVariable))
        QSKIP("needs the bus");
    FakeNotificationServer server;
    QVERIFY(server.start());
    Fixture fixture; // permission not yet checked: notRequested

    fixture.evaluate({provider(codexID, u"Codex"_s, {window(u"primary"_s, UsageWindowKind::fiveHour, 0.1)})});
    fixture.evaluate({provider(codexID, u"Codex"_s, {window(u"primary"_s, UsageWindowKind::fiveHour, 0.6)})});
    QVERIFY(server.calls().isEmpty());

    // What was crossed while blocked is not announced later; the next threshold is.
    fixture.allow();
    fixture.evaluate({provider(codexID, u"Codex"_s, {window(u"primary"_s, UsageWindowKind::fiveHour, 0.6)})});
    QVERIFY(server.calls().isEmpty());
    fixture.evaluate({provider(codexID, u"Codex"_s, {window(u"primary"_s, UsageWindowKind::fiveHour, 0.9)})});
    QCOMPARE(summaries(server), QStringList{u"Codex reached 90%"_s});
}

void TestUsageNotificationController::masterSwitchOffPostsNothingAndForgets()
{
    if (qEnvironmentVariableIsSet(noBusVariable))
        QSKIP("needs the bus");
    FakeNotificationServer server;
    QVERIFY(server.start());
    Fixture fixture;
    fixture.allow();

    fixture.evaluate({provider(codexID, u"Codex"_s, {window(u"primary"_s, UsageWindowKind::fiveHour, 0.1)})});
    fixture.settings.enabled = false;
    fixture.evaluate({provider(codexID, u"Codex"_s, {window(u"primary"_s, UsageWindowKind::fiveHour, 0.6)})});
    QVERIFY(fixture.controller.evaluator().states().isEmpty());

    fixture.settings.enabled = true;
    fixture.evaluate({provider(codexID, u"Codex"_s, {window(u"primary"_s, UsageWindowKind::fiveHour, 0.8)})});
    QVERIFY(server.calls().isEmpty()); // a silent first observation again
    fixture.evaluate(
        {provider(codexID, u"Codex"_s, {window(u"primary"_s, UsageWindowKind::fiveHour, 0.91)})});
    QCOMPARE(summaries(server), QStringList{u"Codex reached 90%"_s});
}

QTEST_GUILESS_MAIN(TestUsageNotificationController)
#include "TestUsageNotificationController.moc"
