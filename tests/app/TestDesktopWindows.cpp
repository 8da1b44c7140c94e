#include <app/TallyvaneAppDelegate.h>

#include <Dashboard/DashboardWindow.h>
#include <MenuBar/MenuBarController.h>
#include <Onboarding/OnboardingWindowController.h>
#include <Settings/SettingsWindow.h>

#include "AppModelFixture.h"

#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

namespace {

struct LaunchedApp {
    AppModelFixture fixture;
    ViewServices services{*fixture.model, fixture.preferences, fixture.clock.function(),
                          [](const QUrl&) { return true; }};
    TallyvaneAppDelegate delegate{
        services, fixture.notifications, {.widgetServer = {.port = 0}, .chooseSaveFile = {}}};

    LaunchedApp()
    {
        fixture.answerRealistically();
        delegate.applicationDidFinishLaunching();
    }

    template <typename T> static T* topLevel()
    {
        const auto windows = QApplication::topLevelWidgets();
        for (QWidget* window : windows) {
            if (auto* found = qobject_cast<T*>(window))
                return found;
        }
        return nullptr;
    }

    enum class Window { dashboard, settings, onboarding, popover };
    QWidget* open(Window window)
    {
        MenuBarController& menuBar = *delegate.menuBar();
        switch (window) {
        case Window::dashboard:
            menuBar.openDashboard();
            return topLevel<DashboardWindow>();
        case Window::settings:
            menuBar.openSettings();
            return topLevel<SettingsWindow>();
        case Window::onboarding:
            return delegate.onboarding()->window();
        case Window::popover:
            menuBar.togglePopover();
            return &menuBar.popover();
        }
        return nullptr;
    }
};

} // namespace

Q_DECLARE_METATYPE(LaunchedApp::Window)

class TestDesktopWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Lower than the dashboard wants to be.
    void everyWindowOpensInsideTheScreen_data()
    {
        QTest::addColumn<LaunchedApp::Window>("window");
        QTest::newRow("dashboard") << LaunchedApp::Window::dashboard;
        QTest::newRow("settings") << LaunchedApp::Window::settings;
        QTest::newRow("onboarding") << LaunchedApp::Window::onboarding;
        QTest::newRow("popover") << LaunchedApp::Window::popover;
    }
    void everyWindowOpensInsideTheScreen()
    {
        QFETCH(LaunchedApp::Window, window);
        LaunchedApp app;
        QCursor::setPos(790, 590);
        QWidget* shown = app.open(window);
        QVERIFY(shown && shown->isVisible());
        const QRect available = shown->screen()->availableGeometry();
        QCOMPARE(available.height(), 600);
        QVERIFY2(available.contains(shown->frameGeometry()),
                 qPrintable(u"%1,%2 %3x%4"_s.arg(shown->frameGeometry().x())
                                .arg(shown->frameGeometry().y())
                                .arg(shown->frameGeometry().width())
                                .arg(shown->frameGeometry().height())));
        if (window == LaunchedApp::Window::dashboard) {
            // Shrunk to the screen, the dashboard's content scrolls instead of being cut off.
            const auto* scroll = shown->findChild<QScrollArea*>();
            QVERIFY(scroll);
            QTRY_VERIFY(scroll->verticalScrollBar()->maximum() > 0);
        }
    }

    void escapeClosesSettingsButNotTheDashboard_data()
    {
        QTest::addColumn<LaunchedApp::Window>("window");
        QTest::addColumn<bool>("closes");
        QTest::newRow("settings") << LaunchedApp::Window::settings << true;
        QTest::newRow("dashboard") << LaunchedApp::Window::dashboard << false;
        QTest::newRow("popover") << LaunchedApp::Window::popover << true;
    }
    void escapeClosesSettingsButNotTheDashboard()
    {
        QFETCH(LaunchedApp::Window, window);
        QFETCH(bool, closes);
        LaunchedApp app;
        QWidget* shown = app.open(window);
        QVERIFY(QTest::qWaitForWindowActive(shown));
        QWidget* focused = QApplication::focusWidget() ? QApplication::focusWidget() : shown;
        QTest::keyClick(focused, Qt::Key_Escape);
        QCoreApplication::processEvents();
        QCOMPARE(shown->isVisible(), !closes);
    }
};

// The offscreen screen is 800 x 800 unless told otherwise; these windows meet a lower one, as
// small laptops and scaled displays have.
int main(int argc, char** argv)
{
    QTemporaryDir folder;
    QFile configuration(folder.filePath(u"screens.json"_s));
    if (!configuration.open(QIODevice::WriteOnly) ||
        configuration.write(R"({"screens": [{"name": "low", "x": 0, "y": 0, "width": 800, "height": 600,)"
                            R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})") < 0)
        return 1;
    configuration.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(configuration.fileName()));
    QApplication application(argc, argv);
    TestDesktopWindows test;
    return QTest::qExec(&test, argc, argv);
}
#include "TestDesktopWindows.moc"
