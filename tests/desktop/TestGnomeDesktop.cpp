#include "DesktopApplication.h"
#include "DesktopWindows.h"
#include "StatusNotifierItemProbe.h"

#include <QTest>

#include <memory>

using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

// Runs inside tests/desktop/desktop-session gnome: GNOME Shell 43, headless Wayland, with the
// AppIndicator extension as StatusNotifierWatcher and tray, the real application binary and
// the fake codex. The extension opens the item's menu on a single click and sends Activate on a
// double click, so both ways to the popover count here.
class TestGnomeDesktop : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void itemRegistersWithTheExtension();
    void popoverOpensInsideTheMonitorBelowTheTopBar_data();
    void popoverOpensInsideTheMonitorBelowTheTopBar();
    // Disables the extension: keep it last.
    void withoutTheExtensionClosingTheDashboardQuits();

private:
    std::optional<StatusNotifierItemProbe> startWithItem();

    std::unique_ptr<DesktopApplication> m_app;
};

namespace {

constexpr int boundMs = 20'000;

} // namespace

void TestGnomeDesktop::initTestCase()
{
    QCOMPARE(qEnvironmentVariable("DESKTOP_KIND"), u"gnome"_s);
    QVERIFY2(StatusNotifierItemProbe::watcherPresent(), "the AppIndicator extension provides no watcher");
    QVERIFY(DesktopWindows::screen(WindowSystem::gnome).isValid());
    QVERIFY(DesktopWindows::gnomeTopBarHeight() > 0);
}

void TestGnomeDesktop::init()
{
    m_app = std::make_unique<DesktopApplication>();
}

void TestGnomeDesktop::cleanup()
{
    m_app.reset();
    QTRY_VERIFY_WITH_TIMEOUT(!DesktopApplication::widgetPortInUse(), 5000);
}

std::optional<StatusNotifierItemProbe> TestGnomeDesktop::startWithItem()
{
    if (m_app->prepare(42).isEmpty() || !m_app->start(u"wayland"_s))
        return std::nullopt;
    return StatusNotifierItemProbe::find(m_app->pid(), boundMs);
}

void TestGnomeDesktop::itemRegistersWithTheExtension()
{
    const auto item = startWithItem();
    QVERIFY2(item, "the application registered no item with the extension's watcher");
    QCOMPARE(item->stringProperty(u"Id"_s), u"Tallyvane"_s);
    QVERIFY(!item->iconPixmaps().isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(item->toolTip().value_or(QString()).contains(u"Codex 42%"_s), boundMs);
}

void TestGnomeDesktop::popoverOpensInsideTheMonitorBelowTheTopBar_data()
{
    QTest::addColumn<bool>("fromMenu");
    QTest::newRow("double click (Activate)") << false;
    QTest::newRow("single click, Show Usage") << true;
}

void TestGnomeDesktop::popoverOpensInsideTheMonitorBelowTheTopBar()
{
    QFETCH(bool, fromMenu);
    const auto item = startWithItem();
    QVERIFY(item);
    QTRY_VERIFY_WITH_TIMEOUT(item->toolTip().value_or(QString()).contains(u"Codex 42%"_s), boundMs);
    QVERIFY(DesktopWindows::of(m_app->pid(), WindowSystem::gnome).isEmpty());

    // Where the extension puts the icon: the right of the top bar.
    QVERIFY2(fromMenu ? item->clickMenuEntry(u"Show Usage"_s) : item->activate(1180, 15),
             fromMenu ? "the menu has no Show Usage" : "Activate was not answered");
    const auto popover = DesktopWindows::waitFor(m_app->pid(), WindowSystem::gnome, u"Tallyvane"_s, boundMs);
    QVERIFY2(popover,
             qPrintable(DesktopWindows::describe(DesktopWindows::of(m_app->pid(), WindowSystem::gnome))));
    const QRect below =
        DesktopWindows::screen(WindowSystem::gnome).adjusted(0, DesktopWindows::gnomeTopBarHeight(), 0, 0);
    QVERIFY2(DesktopWindows::settlesInside(m_app->pid(), WindowSystem::gnome, popover->id, below, 3000),
             qPrintable(DesktopWindows::describe(DesktopWindows::of(m_app->pid(), WindowSystem::gnome))));
}

void TestGnomeDesktop::withoutTheExtensionClosingTheDashboardQuits()
{
    // Plain GNOME has no tray at all: the dashboard is the main window.
    QVERIFY(DesktopWindows::gnomeEval(
        u"Main.extensionManager.disableExtension('ubuntu-appindicators@ubuntu.com')"_s));
    QTRY_VERIFY_WITH_TIMEOUT(!StatusNotifierItemProbe::watcherPresent(), 5000);
    QVERIFY(!m_app->prepare(42).isEmpty());
    QVERIFY(m_app->start(u"wayland"_s));
    QTRY_VERIFY_WITH_TIMEOUT(!DesktopWindows::of(m_app->pid(), WindowSystem::gnome).isEmpty(), boundMs);
    QTRY_VERIFY_WITH_TIMEOUT(DesktopApplication::widgetPortInUse(), boundMs);

    QVERIFY(DesktopWindows::close(m_app->pid(), WindowSystem::gnome));
    QVERIFY2(m_app->waitForExit(10'000),
             qPrintable(u"still running with "_s +
                        DesktopWindows::describe(DesktopWindows::of(m_app->pid(), WindowSystem::gnome))));
    QCOMPARE(m_app->exitCode(), 0);
    QVERIFY(!DesktopApplication::widgetPortInUse());
}

QTEST_GUILESS_MAIN(TestGnomeDesktop)
#include "TestGnomeDesktop.moc"
