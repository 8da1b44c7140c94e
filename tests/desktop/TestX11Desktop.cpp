#include "DesktopApplication.h"
#include "DesktopWindows.h"

#include <QProcess>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <memory>

using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

// Runs inside tests/desktop/desktop-session x11: Xvfb with trayer as the XEmbed tray on a top
// panel, no StatusNotifierWatcher on the bus, the real application binary and the fake codex.
class TestX11Desktop : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void iconIsEmbeddedInThePanel();
    void clickOnTheIconOpensThePopoverBelowThePanel_data();
    void clickOnTheIconOpensThePopoverBelowThePanel();
    void sigtermQuitsAndFreesTheWidgetPort();

private:
    std::optional<DesktopWindow> startUntilEmbedded();

    std::unique_ptr<DesktopApplication> m_app;
    int m_panelHeight = 0;
};

namespace {

constexpr int boundMs = 20'000;

bool xdotool(const QStringList& arguments)
{
    QProcess process;
    process.start(u"xdotool"_s, arguments);
    return process.waitForFinished(10'000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

} // namespace

void TestX11Desktop::initTestCase()
{
    m_panelHeight = qEnvironmentVariableIntValue("DESKTOP_BAR_HEIGHT");
    QVERIFY(m_panelHeight > 0);
    QCOMPARE(qEnvironmentVariable("DESKTOP_KIND"), u"x11"_s);
    QVERIFY(DesktopWindows::screen(WindowSystem::x11).isValid());
}

void TestX11Desktop::init()
{
    m_app = std::make_unique<DesktopApplication>();
}

void TestX11Desktop::cleanup()
{
    m_app.reset();
    QTRY_VERIFY_WITH_TIMEOUT(!DesktopApplication::widgetPortInUse(), 5000);
}

std::optional<DesktopWindow> TestX11Desktop::startUntilEmbedded()
{
    if (m_app->prepare(42).isEmpty() || !m_app->start(u"xcb"_s))
        return std::nullopt;
    std::optional<DesktopWindow> icon;
    (void)QTest::qWaitFor(
        [&] {
            for (const DesktopWindow& window : DesktopWindows::of(m_app->pid(), WindowSystem::x11))
                if (window.rect.isValid() && window.rect.bottom() < m_panelHeight)
                    icon = window;
            return icon.has_value();
        },
        boundMs);
    return icon;
}

void TestX11Desktop::iconIsEmbeddedInThePanel()
{
    const auto icon = startUntilEmbedded();
    QVERIFY2(icon, "no window of the application inside the panel");
    QVERIFY(icon->rect.width() >= 16 && icon->rect.width() <= m_panelHeight);
}

void TestX11Desktop::clickOnTheIconOpensThePopoverBelowThePanel_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("Escape") << true;
    QTest::newRow("click outside") << false;
}

void TestX11Desktop::clickOnTheIconOpensThePopoverBelowThePanel()
{
    QFETCH(bool, escape);
    const auto icon = startUntilEmbedded();
    QVERIFY(icon);
    const QPoint centre = icon->rect.center();
    QVERIFY(xdotool(
        {u"mousemove"_s, QString::number(centre.x()), QString::number(centre.y()), u"click"_s, u"1"_s}));

    // The tray icon's own window carries the application's name too.
    const auto popover =
        DesktopWindows::waitFor(m_app->pid(), WindowSystem::x11, u"Tallyvane"_s, boundMs, icon->id);
    QVERIFY2(popover, "no popover after a click on the icon");
    const QRect below = DesktopWindows::screen(WindowSystem::x11).adjusted(0, m_panelHeight, 0, 0);
    QVERIFY2(DesktopWindows::settlesInside(m_app->pid(), WindowSystem::x11, popover->id, below, 3000),
             qPrintable(DesktopWindows::describe(DesktopWindows::of(m_app->pid(), WindowSystem::x11))));

    // Without a window manager the keyboard follows the pointer; a manager would focus the
    // popover as it opens.
    const QPoint inside = popover->rect.center();
    QVERIFY(escape ? xdotool({u"mousemove"_s, QString::number(inside.x()), QString::number(inside.y()),
                              u"key"_s, u"Escape"_s})
                   : xdotool({u"mousemove"_s, u"200"_s, u"600"_s, u"click"_s, u"1"_s}));
    const auto popoverShown = [&] {
        return std::ranges::any_of(DesktopWindows::of(m_app->pid(), WindowSystem::x11),
                                   [&](const DesktopWindow& window) {
                                       return window.title == u"Tallyvane"_s && window.id != icon->id;
                                   });
    };
    QTRY_VERIFY2_WITH_TIMEOUT(!popoverShown(),
                              qPrintable(u"still open: "_s + DesktopWindows::describe(DesktopWindows::of(
                                                                 m_app->pid(), WindowSystem::x11))),
                              5000);
}

void TestX11Desktop::sigtermQuitsAndFreesTheWidgetPort()
{
    QVERIFY(startUntilEmbedded());
    QTRY_VERIFY_WITH_TIMEOUT(DesktopApplication::widgetPortInUse(), boundMs);
    QVERIFY2(m_app->stopWith(SIGTERM, 10'000), "the application did not end by itself");
    QCOMPARE(m_app->exitCode(), 0);
    QVERIFY(!DesktopApplication::widgetPortInUse());
}

QTEST_GUILESS_MAIN(TestX11Desktop)
#include "TestX11Desktop.moc"
