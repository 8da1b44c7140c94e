#include <app/ApplicationIdentity.h>

#include <Onboarding/OnboardingView.h>
#include <Onboarding/OnboardingWindowController.h>
#include <Settings/SettingsWindow.h>
#include <Settings/UsageSettingsView.h>

#include "LaunchedApp.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

namespace {

// What a person operates: buttons, switches, fields, lists, pickers; shown and enabled.
QList<QWidget*> keyboardControls(QWidget& window)
{
    QList<QWidget*> controls;
    const auto widgets = window.findChildren<QWidget*>();
    for (QWidget* widget : widgets) {
        const bool operated = qobject_cast<QAbstractButton*>(widget) || qobject_cast<QComboBox*>(widget) ||
                              qobject_cast<QAbstractSpinBox*>(widget) || qobject_cast<QLineEdit*>(widget) ||
                              qobject_cast<QAbstractSlider*>(widget) || qobject_cast<QListView*>(widget);
        if (operated && widget->isVisibleTo(&window) && widget->isEnabled() &&
            !qobject_cast<QScrollBar*>(widget) && !widget->inherits("QComboBoxPrivateContainer"))
            controls.append(widget);
    }
    return controls;
}

// The control as drawn in its parent, with a few pixels around it where focus rings go.
QImage surroundings(QWidget& control)
{
    QCoreApplication::processEvents();
    QWidget* parent = control.parentWidget();
    return parent->grab(control.geometry().adjusted(-4, -4, 4, 4)).toImage();
}

// The title as the window system gets it on Linux: Qt appends the application's display name,
// where one was set, unless the title already ends with it.
QString titleOnTheDesktop(const QWidget& window)
{
    const QString name = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(name + u"-probe"_s);
    const bool displayNameSet =
        QGuiApplication::applicationDisplayName() != QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(name);
    const QString displayName = QGuiApplication::applicationDisplayName();
    if (!displayNameSet || window.windowTitle().endsWith(displayName))
        return window.windowTitle();
    return window.windowTitle() + u" \u2014 "_s + displayName;
}

QString describe(const QWidget* widget)
{
    QString text;
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        text = button->text();
    if (text.isEmpty())
        text = widget->accessibleName();
    return u"%1 \"%2\""_s.arg(QString::fromLatin1(widget->metaObject()->className()), text);
}

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
                 qPrintable(QDebug::toString(shown->frameGeometry())));
        if (window == LaunchedApp::Window::dashboard) {
            // Shrunk to the screen, the dashboard's content scrolls instead of being cut off.
            const auto* scroll = shown->findChild<QScrollArea*>();
            QVERIFY(scroll);
            QTRY_VERIFY(scroll->verticalScrollBar()->maximum() > 0);
        }
    }

    // Tab reaches every control, and each shows that it has the focus.
    void everyControlIsReachedWithTab_data()
    {
        QTest::addColumn<LaunchedApp::Window>("window");
        QTest::addColumn<int>("page"); // settings destination or onboarding step
        QTest::newRow("dashboard") << LaunchedApp::Window::dashboard << 0;
        QTest::newRow("settings, accounts") << LaunchedApp::Window::settings << 0;
        QTest::newRow("settings, menu bar") << LaunchedApp::Window::settings << 1;
        QTest::newRow("settings, general") << LaunchedApp::Window::settings << 2;
        QTest::newRow("onboarding, welcome") << LaunchedApp::Window::onboarding << 0;
        QTest::newRow("onboarding, accounts") << LaunchedApp::Window::onboarding << 1;
        QTest::newRow("popover") << LaunchedApp::Window::popover << 0;
    }
    void everyControlIsReachedWithTab()
    {
        QFETCH(LaunchedApp::Window, window);
        QFETCH(int, page);
        LaunchedApp app;
        QWidget* shown = app.open(window);
        if (window == LaunchedApp::Window::settings)
            static_cast<SettingsWindow*>(shown)->content()->select(allCases<SettingsDestination>().at(page));
        if (window == LaunchedApp::Window::onboarding)
            app.delegate.onboarding()->view()->setStep(page, false);
        shown->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(shown));
        QCoreApplication::processEvents();

        // How each control and its surroundings look without the focus.
        const QList<QWidget*> controls = keyboardControls(*shown);
        QVERIFY(!controls.isEmpty());
        if (QWidget* focused = QApplication::focusWidget())
            focused->clearFocus();
        QHash<QWidget*, QImage> unfocused;
        for (QWidget* control : controls)
            unfocused.insert(control, surroundings(*control));

        QSet<QWidget*> reached;
        QStringList withoutRing;
        for (int step = 0; step < 4 * controls.size() + 4; ++step) {
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : shown, Qt::Key_Tab);
            QWidget* focused = QApplication::focusWidget();
            if (!focused || reached.contains(focused))
                continue;
            reached.insert(focused);
            if (unfocused.contains(focused) && surroundings(*focused) == unfocused.value(focused))
                withoutRing.append(describe(focused));
        }
        QStringList unreachable;
        for (QWidget* control : controls) {
            if (!reached.contains(control) &&
                !(control->focusProxy() && reached.contains(control->focusProxy())))
                unreachable.append(describe(control));
        }
        QVERIFY2(unreachable.isEmpty(), qPrintable(unreachable.join(u", "_s)));
        QVERIFY2(withoutRing.isEmpty(), qPrintable(u"no visible focus: "_s + withoutRing.join(u", "_s)));
    }

    // The ring lives inside the window of the control it surrounds; a window that is deleted on
    // closing (onboarding) must not take the ring of every later window with it.
    void focusRingOutlivesADeletedWindow()
    {
        LaunchedApp app;
        QPointer<QWidget> onboarding = app.open(LaunchedApp::Window::onboarding);
        onboarding->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(onboarding));
        QTest::keyClick(onboarding, Qt::Key_Tab);
        onboarding->close();
        QTRY_VERIFY(!onboarding);

        QWidget* dashboard = app.open(LaunchedApp::Window::dashboard);
        QVERIFY(QTest::qWaitForWindowActive(dashboard));
        QTest::keyClick(dashboard, Qt::Key_Tab);
        QWidget* focused = QApplication::focusWidget();
        QVERIFY(focused);
        const QImage withRing = surroundings(*focused);
        focused->clearFocus();
        QVERIFY(surroundings(*focused) != withRing);
    }

    void windowTitlesAreNotDoubled_data()
    {
        QTest::addColumn<LaunchedApp::Window>("window");
        QTest::addColumn<QString>("title");
        QTest::newRow("dashboard") << LaunchedApp::Window::dashboard << u"Tallyvane"_s;
        QTest::newRow("settings") << LaunchedApp::Window::settings << u"Tallyvane Settings"_s;
    }
    void windowTitlesAreNotDoubled()
    {
        QFETCH(LaunchedApp::Window, window);
        QFETCH(QString, title);
        ApplicationIdentity::apply(u"0.0"_s);
        LaunchedApp app;
        QCOMPARE(titleOnTheDesktop(*app.open(window)), title);
    }

    void escapeClosesSettingsButNotTheDashboard_data()
    {
        QTest::addColumn<LaunchedApp::Window>("window");
        QTest::addColumn<bool>("closes");
        QTest::newRow("settings") << LaunchedApp::Window::settings << true;
        QTest::newRow("dashboard") << LaunchedApp::Window::dashboard << false;
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
