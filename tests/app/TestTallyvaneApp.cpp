#include <app/PrivateSocketFolder.h>
#include <app/SingleInstance.h>
#include <app/TallyvaneAppDelegate.h>

#include <MenuBar/MenuBarController.h>
#include <Onboarding/OnboardingWindowController.h>

#include "AppModelFixture.h"

#include <QApplication>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

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
    void socketFolderMustBeOurOwn_data();
    void socketFolderMustBeOurOwn();
    void withoutRuntimeFolderTheSocketIsPrivate();
    void aSilentConnectionIsClosed();
    void anotherUsersRequestIsIgnored();
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

void TestTallyvaneApp::socketFolderMustBeOurOwn_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<bool>("usable");
    QTest::newRow("missing: created") << u"missing"_qs << true;
    QTest::newRow("ours, closed") << u"private"_qs << true;
    QTest::newRow("ours, open to others") << u"open"_qs << false;
    QTest::newRow("a link to a folder of ours") << u"link"_qs << false;
    QTest::newRow("a file") << u"file"_qs << false;
    QTest::newRow("another user's") << u"foreign"_qs << false;
}

void TestTallyvaneApp::socketFolderMustBeOurOwn()
{
    QFETCH(QString, situation);
    QFETCH(bool, usable);
    QTemporaryDir root;
    const QString path = root.filePath(u"sockets"_qs);
    const QByteArray native = path.toLocal8Bit();
    if (situation == u"private"_qs || situation == u"open"_qs || situation == u"foreign"_qs)
        QCOMPARE(::mkdir(native.constData(), 0700), 0);
    if (situation == u"open"_qs)
        QCOMPARE(::chmod(native.constData(), 0777), 0);
    if (situation == u"foreign"_qs && ::chown(native.constData(), 65534, 65534) != 0)
        QSKIP("only root can give a folder to another user");
    if (situation == u"link"_qs) {
        QVERIFY(QDir(root.path()).mkdir(u"target"_qs));
        QCOMPARE(::chmod(root.filePath(u"target"_qs).toLocal8Bit().constData(), 0700), 0);
        QVERIFY(QFile::link(root.filePath(u"target"_qs), path));
    }
    if (situation == u"file"_qs) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

    QCOMPARE(PrivateSocketFolder::ensure(path).has_value(), usable);
    if (usable) {
        struct stat status {};
        QCOMPARE(::lstat(native.constData(), &status), 0);
        QCOMPARE(status.st_mode & 07777, mode_t(0700));
    }
}

void TestTallyvaneApp::withoutRuntimeFolderTheSocketIsPrivate()
{
    QTemporaryDir temporary;
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray tmpdir = qgetenv("TMPDIR");
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", temporary.path().toLocal8Bit());
    // Another user got there first with a folder everyone may write to.
    const QString squatted =
        QDir(temporary.path()).filePath(u"app.tallyvane.Tallyvane-%1"_qs.arg(::getuid()));
    QVERIFY(QDir().mkdir(squatted));
    QCOMPARE(::chmod(squatted.toLocal8Bit().constData(), 0777), 0);
    const QString name = SingleInstance::sessionName();
    qputenv("XDG_RUNTIME_DIR", runtime);
    qputenv("TMPDIR", tmpdir);

    QVERIFY2(!name.startsWith(squatted), qPrintable(name));
    const QString folder = QFileInfo(name).absolutePath();
    struct stat status {};
    QCOMPARE(::lstat(folder.toLocal8Bit().constData(), &status), 0);
    QCOMPARE(status.st_uid, ::getuid());
    QCOMPARE(status.st_mode & 077, mode_t(0));
}

void TestTallyvaneApp::aSilentConnectionIsClosed()
{
    const QString name = u"tallyvane-test-silent-%1"_qs.arg(QCoreApplication::applicationPid());
    SingleInstance first(name);
    QVERIFY(!first.handOverToRunningInstance());
    QLocalSocket silent;
    silent.connectToServer(name);
    QVERIFY(silent.waitForConnected(2000));
    // Bounded by twice the limit: a connection left open for good fails here.
    QTRY_COMPARE_WITH_TIMEOUT(silent.state(), QLocalSocket::UnconnectedState,
                              int(2 * SingleInstance::silenceLimit.count()));
}

void TestTallyvaneApp::anotherUsersRequestIsIgnored()
{
    if (::getuid() != 0)
        QSKIP("connecting as another user needs root");
    QTemporaryDir folder;
    QCOMPARE(::chmod(folder.path().toLocal8Bit().constData(), 0777), 0);
    const QString name = folder.filePath(u"instance"_qs);
    SingleInstance first(name);
    QVERIFY(!first.handOverToRunningInstance());
    // Opened up so that the other user can connect at all; only the peer check is left.
    QCOMPARE(::chmod(name.toLocal8Bit().constData(), 0777), 0);
    QSignalSpy activations(&first, &SingleInstance::activationRequested);

    const auto requestAs = [&name](uid_t user) {
        const pid_t child = ::fork();
        if (child == 0) {
            if (::setgid(user) != 0 || ::setuid(user) != 0)
                ::_exit(2);
            const int descriptor = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            const QByteArray path = name.toLocal8Bit();
            std::copy(path.begin(), path.end(), address.sun_path);
            if (::connect(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
                ::_exit(3);
            const bool sent = ::write(descriptor, "activate\n", 9) == 9;
            ::usleep(300'000); // stays connected while the request is read
            ::_exit(sent ? 0 : 4);
        }
        int status = 0;
        while (::waitpid(child, &status, WNOHANG) == 0)
            QTest::qWait(20);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    QCOMPARE(requestAs(65534), 0);
    QTest::qWait(200);
    QCOMPARE(activations.count(), 0);
    QCOMPARE(requestAs(0), 0);
    QTRY_COMPARE(activations.count(), 1);
}

QTEST_MAIN(TestTallyvaneApp)
#include "TestTallyvaneApp.moc"
