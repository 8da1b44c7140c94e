#include <app/SingleInstance.h>
#include <app/TallyvaneAppDelegate.h>

#include <MenuBar/MenuBarController.h>
#include <Onboarding/OnboardingWindowController.h>

#include "AppModelFixture.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

using namespace tallyvane;
using namespace tallyvane::testing;

namespace {

struct LaunchedApp {
    AppModelFixture fixture;
    ViewServices services{*fixture.model, fixture.preferences, fixture.clock.function(),
                          [](const QUrl&) { return false; }};
    TallyvaneAppDelegate delegate{
        services, fixture.notifications, {.widgetServer = {.port = 0}, .chooseSaveFile = {}}};
};

} // namespace

class TestTallyvaneApp : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void launchingBringsUpEachPartOnce();
    void terminatingStopsTheWidgetServer();
    void closingEveryWindowKeepsTheApplication();
    void aSecondLaunchHandsOverToTheFirst();
};

void TestTallyvaneApp::launchingBringsUpEachPartOnce()
{
    LaunchedApp app;
    app.delegate.applicationDidFinishLaunching();
    MenuBarController* menuBar = app.delegate.menuBar();
    OnboardingWindowController* onboarding = app.delegate.onboarding();
    WidgetLiveServer* server = app.delegate.widgetLiveServer();
    QVERIFY(menuBar && onboarding && server);
    QVERIFY(server->isListening());

    app.delegate.applicationDidFinishLaunching();
    QCOMPARE(app.delegate.menuBar(), menuBar);
    QCOMPARE(app.delegate.onboarding(), onboarding);
    QCOMPARE(app.delegate.widgetLiveServer(), server);
}

void TestTallyvaneApp::terminatingStopsTheWidgetServer()
{
    LaunchedApp app;
    app.delegate.applicationDidFinishLaunching();
    const quint16 port = app.delegate.widgetLiveServer()->serverPort();
    app.delegate.applicationWillTerminate();
    QCOMPARE(app.delegate.widgetLiveServer(), nullptr);

    QTcpSocket probe;
    probe.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(!probe.waitForConnected(1000));
}

void TestTallyvaneApp::closingEveryWindowKeepsTheApplication()
{
    LaunchedApp app;
    app.delegate.applicationDidFinishLaunching();
    app.delegate.menuBar()->openDashboard();
    app.delegate.menuBar()->openSettings();
    QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows)
        window->close();
    QCoreApplication::processEvents();
    QCOMPARE(quitting.count(), 0);
}

void TestTallyvaneApp::aSecondLaunchHandsOverToTheFirst()
{
    const QString name = QStringLiteral("tallyvane-test-%1").arg(QCoreApplication::applicationPid());
    SingleInstance first(name);
    QVERIFY(!first.handOverToRunningInstance());
    QSignalSpy activations(&first, &SingleInstance::activationRequested);

    SingleInstance second(name);
    QVERIFY(second.handOverToRunningInstance());
    QTRY_COMPARE(activations.count(), 1);
}

QTEST_MAIN(TestTallyvaneApp)
#include "TestTallyvaneApp.moc"
