#include "DesktopSuite.h"

#include <QTest>

using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

// Runs inside tests/desktop/desktop-session gnome: GNOME Shell 43, headless Wayland, with the
// AppIndicator extension as StatusNotifierWatcher and tray, the real application binary and
// the fake codex. The extension opens the item's menu on a single click and sends Activate on a
// double click, so both ways to the popover count here.
class TestGnomeDesktop : public DesktopSuite {
    Q_OBJECT
public:
    TestGnomeDesktop()
        : DesktopSuite(WindowSystem::gnome)
    {
    }

private Q_SLOTS:
    void initTestCase()
    {
        QCOMPARE(qEnvironmentVariable("DESKTOP_KIND"), u"gnome"_s);
        QVERIFY2(StatusNotifierItemProbe::watcherPresent(), "the AppIndicator extension provides no watcher");
        QVERIFY(DesktopWindows::screen(WindowSystem::gnome).isValid());
        QVERIFY(DesktopWindows::gnomeTopBarHeight() > 0);
    }

    void itemOpensThePopoverInsideTheMonitorBelowTheTopBar_data()
    {
        QTest::addColumn<bool>("fromMenu");
        QTest::newRow("double click (Activate)") << false;
        QTest::newRow("single click, Show Usage") << true;
    }

    void itemOpensThePopoverInsideTheMonitorBelowTheTopBar()
    {
        QFETCH(bool, fromMenu);
        const auto item = startWithItem(u"wayland"_s);
        QVERIFY2(item, "the application registered no item with the extension's watcher");
        QCOMPARE(item->stringProperty(u"Id"_s), u"Tallyvane"_s);
        QVERIFY(!item->iconPixmaps().isEmpty());
        QVERIFY(showsCodexPercent(*item, 42));
        QVERIFY(DesktopWindows::of(m_app->pid(), WindowSystem::gnome).isEmpty());

        // Where the extension puts the icon: the right of the top bar.
        QVERIFY2(fromMenu ? item->clickMenuEntry(u"Show Usage"_s) : item->activate(1180, 15),
                 fromMenu ? "the menu has no Show Usage" : "Activate was not answered");
        popoverSettlesBelowTheBar(WindowSystem::gnome, DesktopWindows::gnomeTopBarHeight());
    }

    // Disables the extension: keep it last.
    void withoutTheExtensionClosingTheDashboardQuits()
    {
        // Plain GNOME has no tray at all: the dashboard is the main window.
        QVERIFY(DesktopWindows::gnomeEval(
            u"Main.extensionManager.disableExtension('ubuntu-appindicators@ubuntu.com')"_s));
        QTRY_VERIFY_WITH_TIMEOUT(!StatusNotifierItemProbe::watcherPresent(), 5000);
        closingTheDashboardQuits(u"wayland"_s);
    }
};

QTEST_GUILESS_MAIN(TestGnomeDesktop)
#include "TestGnomeDesktop.moc"
