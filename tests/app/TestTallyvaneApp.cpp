#include <app/AppearanceFollower.h>
#include <app/PrivateSocketFolder.h>
#include <app/SingleInstance.h>
#include <app/TallyvaneAppDelegate.h>
#include <app/TerminationSignals.h>

#include <MenuBar/MenuBarController.h>
#include <Onboarding/OnboardingWindowController.h>
#include <UsageViews/Appearance.h>

#include "FakePortalSettings.h"
#include "FakeStatusNotifierWatcher.h"
#include "LaunchedApp.h"

#include <QApplication>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

namespace {

// What a panel offers when the application starts.
enum class Tray { none, watcherWithoutHost, host };

} // namespace

class TestTallyvaneApp : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void launchingBringsUpEachPartOnce()
    {
        LaunchedApp app;
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

    void terminatingStopsTheWidgetServer()
    {
        LaunchedApp app;
        const quint16 port = app.delegate.widgetLiveServer()->serverPort();
        app.delegate.applicationWillTerminate();
        QCOMPARE(app.delegate.widgetLiveServer(), nullptr);

        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(!probe.waitForConnected(1000));
    }

    void aSecondLaunchHandsOverToTheFirst()
    {
        const QString name = QStringLiteral("tallyvane-test-%1").arg(QCoreApplication::applicationPid());
        SingleInstance first(name);
        QVERIFY(!first.handOverToRunningInstance());
        QSignalSpy activations(&first, &SingleInstance::activationRequested);

        SingleInstance second(name);
        QVERIFY(second.handOverToRunningInstance());
        QTRY_COMPARE(activations.count(), 1);
    }

    void withoutATrayTheDashboardIsTheMainWindow_data()
    {
        QTest::addColumn<Tray>("tray");
        QTest::addColumn<bool>("closingQuits");
        QTest::newRow("no tray") << Tray::none << true;
        // Qt would not use a watcher that no tray is behind; neither may we.
        QTest::newRow("watcher without a tray") << Tray::watcherWithoutHost << true;
        QTest::newRow("tray") << Tray::host << false;
    }

    void withoutATrayTheDashboardIsTheMainWindow()
    {
        QFETCH(Tray, tray);
        QFETCH(bool, closingQuits);
        FakeStatusNotifierWatcher watcher;
        if (tray != Tray::none)
            QVERIFY(watcher.start(tray == Tray::host));
        LaunchedApp app;
        QCOMPARE(app.delegate.menuBar()->statusItem() != nullptr, !closingQuits);
        QWidget* dashboard = LaunchedApp::visibleWindowTitled(u"Tallyvane"_s);
        QCOMPARE(dashboard != nullptr, closingQuits);

        // Settings is never the main window; the dashboard is where no tray is.
        app.delegate.menuBar()->openSettings();
        app.delegate.menuBar()->openDashboard();
        LaunchedApp::visibleWindowTitled(u"Tallyvane Settings"_s)->close();
        QCoreApplication::processEvents();
        QCOMPARE(app.quits, 0);
        LaunchedApp::visibleWindowTitled(u"Tallyvane"_s)->close();
        QTest::qWait(20);
        QCOMPARE(app.quits, closingQuits ? 1 : 0);
    }

    void aTrayHostAppearingLaterGetsTheItem_data()
    {
        QTest::addColumn<Tray>("atLaunch");
        QTest::newRow("panel starts later") << Tray::none;
        QTest::newRow("tray joins the panel later") << Tray::watcherWithoutHost;
    }

    void aTrayHostAppearingLaterGetsTheItem()
    {
        QFETCH(Tray, atLaunch);
        FakeStatusNotifierWatcher watcher;
        if (atLaunch == Tray::watcherWithoutHost)
            QVERIFY(watcher.start(false));
        LaunchedApp app;
        QCOMPARE(app.delegate.menuBar()->statusItem(), nullptr);

        if (atLaunch == Tray::none)
            QVERIFY(watcher.start(true));
        else
            watcher.registerHost();
        QTRY_VERIFY(app.delegate.menuBar()->statusItem() != nullptr);
        // From now on the application lives in the tray.
        LaunchedApp::visibleWindowTitled(u"Tallyvane"_s)->close();
        QTest::qWait(20);
        QCOMPARE(app.quits, 0);
    }

    void controlQQuitsFromEitherWindow_data()
    {
        QTest::addColumn<QString>("title");
        QTest::newRow("dashboard") << u"Tallyvane"_s;
        QTest::newRow("settings") << u"Tallyvane Settings"_s;
    }

    void controlQQuitsFromEitherWindow()
    {
        QFETCH(QString, title);
        LaunchedApp app;
        app.delegate.menuBar()->openSettings();
        app.delegate.menuBar()->openDashboard();
        QWidget* window = LaunchedApp::visibleWindowTitled(title);
        QVERIFY(window);
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(app.quits, 1);
    }

    void sessionSignalsQuitTheWayQuitDoes_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGHUP") << SIGHUP;
    }

    void sessionSignalsQuitTheWayQuitDoes()
    {
        QFETCH(int, signalNumber);
        LaunchedApp app;
        {
            TerminationSignals signals;
            QVERIFY(signals.isInstalled());
            QObject::connect(&signals, &TerminationSignals::received, &app.delegate,
                             &TallyvaneAppDelegate::quit);
            // Without the handler this would end the test run.
            QCOMPARE(::kill(::getpid(), signalNumber), 0);
            QTRY_COMPARE(app.quits, 1);
        }
        struct sigaction restored {};
        QCOMPARE(sigaction(signalNumber, nullptr, &restored), 0);
        QVERIFY(restored.sa_handler == SIG_DFL);
    }

    void lookFollowsTheDesktopsWish_data()
    {
        QTest::addColumn<bool>("platformDark");
        QTest::addColumn<QVariant>("scheme");
        QTest::addColumn<QVariant>("animations");
        QTest::addColumn<bool>("dark");
        QTest::addColumn<bool>("reducedMotion");
        const QVariant none;
        // Qt 6.4 leaves GNOME's dark style to the application.
        QTest::newRow("dark wished, light palette") << false << QVariant(1u) << none << true << false;
        QTest::newRow("light wished, dark palette") << true << QVariant(2u) << none << false << false;
        QTest::newRow("nothing published, dark palette") << true << none << none << true << false;
        QTest::newRow("animations off") << false << QVariant(0u) << QVariant(false) << false << true;
    }

    void lookFollowsTheDesktopsWish()
    {
        QFETCH(bool, platformDark);
        QFETCH(QVariant, scheme);
        QFETCH(QVariant, animations);
        QFETCH(bool, dark);
        QFETCH(bool, reducedMotion);
        const QPalette light = QApplication::style()->standardPalette();
        QApplication::setPalette(platformDark ? Appearance::darkPalette() : light);
        FakePortalSettings portal;
        if (scheme.isValid())
            portal.set(u"org.freedesktop.appearance"_s, u"color-scheme"_s, scheme);
        if (animations.isValid())
            portal.set(u"org.gnome.desktop.interface"_s, u"enable-animations"_s, animations);
        QVERIFY(portal.start());
        {
            const PortalAppearance reader;
            const AppearanceFollower follower(reader);
            QTRY_VERIFY(reader.colorScheme().has_value() == scheme.isValid());
            QTRY_COMPARE(Appearance::isDark(QApplication::palette()), dark);
            QCOMPARE(Appearance::prefersReducedMotion(), reducedMotion);

            // Taking the wish back restores what the platform gave.
            portal.change(u"org.freedesktop.appearance"_s, u"color-scheme"_s, 0u);
            QTRY_COMPARE(Appearance::isDark(QApplication::palette()), platformDark);
        }
        Appearance::setDesktopReducedMotion(std::nullopt);
        QApplication::setPalette(light);
    }

    void socketFolderMustBeOurOwn_data()
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

    void socketFolderMustBeOurOwn()
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

    void withoutRuntimeFolderTheSocketIsPrivate()
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

    void aSilentConnectionIsClosed()
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

    void anotherUsersRequestIsIgnored()
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
};

QTEST_MAIN(TestTallyvaneApp)
#include "TestTallyvaneApp.moc"
