#include "DesktopSuite.h"

#include <QTest>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::testing {

void DesktopSuite::init()
{
    m_app = std::make_unique<DesktopApplication>();
    m_popover.reset();
}

void DesktopSuite::cleanup()
{
    m_app.reset();
    // The next application must find the port and the single-instance socket free.
    QTRY_VERIFY_WITH_TIMEOUT(!DesktopApplication::widgetPortInUse(), 5000);
}

std::optional<StatusNotifierItemProbe> DesktopSuite::startWithItem(const QString& platform, int codexPercent)
{
    if (m_app->prepare(codexPercent).isEmpty() || !m_app->start(platform))
        return std::nullopt;
    return StatusNotifierItemProbe::find(m_app->pid(), boundMs);
}

bool DesktopSuite::showsCodexPercent(const StatusNotifierItemProbe& item, int percent)
{
    // The first refresh: the fake answers at once, the rest is start-up on a loaded machine.
    return QTest::qWaitFor(
        [&] { return item.toolTip().value_or(QString()).contains(u"Codex %1%"_s.arg(percent)); }, boundMs);
}

void DesktopSuite::popoverSettlesBelowTheBar(WindowSystem shownIn, int bar, const QString& except)
{
    m_popover = DesktopWindows::waitFor(m_app->pid(), shownIn, popoverTitle, boundMs, except);
    QVERIFY2(m_popover,
             qPrintable(u"no popover among: "_s + DesktopWindows::describe(m_app->pid(), shownIn)));
    const QRect below = DesktopWindows::screen(shownIn).adjusted(0, bar, 0, 0);
    QVERIFY2(
        DesktopWindows::settlesInside(m_app->pid(), shownIn, m_popover->id, below, 3000),
        qPrintable(u"not on the screen below the bar: "_s + DesktopWindows::describe(m_app->pid(), shownIn)));
}

void DesktopSuite::popoverCloses(WindowSystem shownIn, const QString& except)
{
    const auto shown = [&] {
        return std::ranges::any_of(
            DesktopWindows::of(m_app->pid(), shownIn),
            [&](const DesktopWindow& window) { return window.title == popoverTitle && window.id != except; });
    };
    QTRY_VERIFY2_WITH_TIMEOUT(
        !shown(), qPrintable(u"still open: "_s + DesktopWindows::describe(m_app->pid(), shownIn)), 5000);
}

void DesktopSuite::closingTheDashboardQuits(const QString& platform)
{
    QVERIFY(!m_app->prepare(42).isEmpty());
    QVERIFY(m_app->start(platform));
    QTRY_VERIFY_WITH_TIMEOUT(!DesktopWindows::of(m_app->pid(), m_system).isEmpty(), boundMs);
    QTRY_VERIFY_WITH_TIMEOUT(DesktopApplication::widgetPortInUse(), boundMs);

    QVERIFY(DesktopWindows::close(m_app->pid(), m_system));
    QVERIFY2(m_app->waitForExit(10'000),
             qPrintable(u"still running with "_s + DesktopWindows::describe(m_app->pid(), m_system)));
    QCOMPARE(m_app->exitCode(), 0);
    QVERIFY(!DesktopApplication::widgetPortInUse());
}

} // namespace tallyvane::testing
