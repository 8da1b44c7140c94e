#include "DesktopApplication.h"
#include "DesktopWindows.h"
#include "IconContrast.h"
#include "SlowSecretService.h"
#include "StatusNotifierItemProbe.h"

#include <QDBusConnection>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <memory>

using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

// How a test takes the popover away: a key, or another window that takes the focus.
enum class Dismissal { escape, xWindow, waylandWindowAfterXWindow };
Q_DECLARE_METATYPE(Dismissal)

// Runs inside tests/desktop/desktop-session: headless sway, waybar as the tray and status-bar
// host, the real application binary and the fake codex.
class TestSwayDesktop : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void itemRegistersAndExportsItsProperties_data();
    void itemRegistersAndExportsItsProperties();
    void iconNumberIsLegibleOnEveryPanel_data();
    void iconNumberIsLegibleOnEveryPanel();
    void menuStartsWithTheWayToThePopover();
    void popoverOpensInsideTheOutput_data();
    void popoverOpensInsideTheOutput();
    void popoverClosesWhenDismissed_data();
    void popoverClosesWhenDismissed();
    void statusBarModuleShowsUsageOnItsFirstPoll_data();
    void statusBarModuleShowsUsageOnItsFirstPoll();
    void signalQuitsAndFreesTheWidgetPort_data();
    void signalQuitsAndFreesTheWidgetPort();
    // Stops waybar: keep it last.
    void withoutTrayHostClosingTheDashboardQuits_data();
    void withoutTrayHostClosingTheDashboardQuits();

private:
    // Starts the application and waits for its item; skips an xcb row without Xwayland.
    std::optional<StatusNotifierItemProbe> startWithItem(const QString& platform, int codexPercent = 42);
    bool waitForToolTip(const StatusNotifierItemProbe& item, const QString& text);
    QList<QImage> iconsShowing(int codexPercent);

    std::unique_ptr<DesktopApplication> m_app;
    QList<QImage> m_iconsAt42;
    QList<QImage> m_iconsAt43;
};

namespace {

constexpr int itemBoundMs = 20'000;
// The first refresh: the fake answers at once, the rest is start-up on a loaded machine.
constexpr int refreshBoundMs = 20'000;
constexpr int windowBoundMs = 10'000;
constexpr int quitBoundMs = 10'000;
const QString popoverTitle = u"Tallyvane"_s;

void addPlatformRows()
{
    QTest::addColumn<QString>("platform");
    QTest::newRow("wayland") << u"wayland"_s;
    QTest::newRow("xcb (Xwayland)") << u"xcb"_s;
}

QStringList moduleLines()
{
    QFile log(qEnvironmentVariable("DESKTOP_MODULE_LOG"));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

void TestSwayDesktop::initTestCase()
{
    QVERIFY2(DesktopWindows::isSway(), "run through tests/desktop/desktop-session sway");
    QVERIFY2(StatusNotifierItemProbe::watcherPresent(), "waybar provides no StatusNotifierWatcher");
    QVERIFY(DesktopWindows::screen(WindowSystem::sway).isValid());
}

void TestSwayDesktop::init()
{
    m_app = std::make_unique<DesktopApplication>();
}

void TestSwayDesktop::cleanup()
{
    m_app.reset();
    // The next application must find the port and the single-instance socket free.
    QTRY_VERIFY_WITH_TIMEOUT(!DesktopApplication::widgetPortInUse(), 5000);
}

std::optional<StatusNotifierItemProbe> TestSwayDesktop::startWithItem(const QString& platform,
                                                                      int codexPercent)
{
    if (platform == u"xcb"_s && qEnvironmentVariableIsEmpty("DISPLAY")) {
        if (qEnvironmentVariable("CI") == u"true"_s)
            qFatal("sway started no Xwayland");
        return std::nullopt;
    }
    if (m_app->prepare(codexPercent).isEmpty() || !m_app->start(platform))
        return std::nullopt;
    return StatusNotifierItemProbe::find(m_app->pid(), itemBoundMs);
}

bool TestSwayDesktop::waitForToolTip(const StatusNotifierItemProbe& item, const QString& text)
{
    return QTest::qWaitFor([&] { return item.toolTip().value_or(QString()).contains(text); }, refreshBoundMs);
}

QList<QImage> TestSwayDesktop::iconsShowing(int codexPercent)
{
    const auto item = startWithItem(u"wayland"_s, codexPercent);
    const QString shown = u"Codex %1%"_s.arg(codexPercent);
    if (!item || !waitForToolTip(*item, shown))
        return {};
    // The tooltip and the icon are set in one update; a second read sees the settled icon.
    QList<QImage> icons;
    (void)QTest::qWaitFor(
        [&] {
            const QList<QImage> now = item->iconPixmaps();
            const bool settled = !now.isEmpty() && now == icons;
            icons = now;
            return settled;
        },
        5000);
    return icons;
}

void TestSwayDesktop::itemRegistersAndExportsItsProperties_data()
{
    addPlatformRows();
}

void TestSwayDesktop::itemRegistersAndExportsItsProperties()
{
    QFETCH(QString, platform);
    const auto item = startWithItem(platform);
    if (!item && m_app->pid() == 0)
        QSKIP("sway runs without Xwayland here");
    QVERIFY2(item, "the application registered no item with the watcher");

    QCOMPARE(item->stringProperty(u"Id"_s), u"Tallyvane"_s);
    QCOMPARE(item->stringProperty(u"Title"_s), u"Tallyvane"_s);
    QVERIFY2(waitForToolTip(*item, u"Codex 42%"_s), qPrintable(item->toolTip().value_or(u"(none)"_s)));
    const auto menu = item->menuPath();
    QVERIFY(menu && !menu->isEmpty() && *menu != u"/"_s);
    const QList<QImage> icons = item->iconPixmaps();
    QVERIFY(!icons.isEmpty());
    for (const QImage& icon : icons)
        QCOMPARE(icon.width(), icon.height());
}

void TestSwayDesktop::iconNumberIsLegibleOnEveryPanel_data()
{
    QTest::addColumn<QRgb>("panel");
    QTest::newRow("black (GNOME's top bar)") << qRgb(0, 0, 0);
    QTest::newRow("#2b303b (dark bars)") << qRgb(0x2b, 0x30, 0x3b);
    QTest::newRow("white (light panels)") << qRgb(0xff, 0xff, 0xff);
}

void TestSwayDesktop::iconNumberIsLegibleOnEveryPanel()
{
    QFETCH(QRgb, panel);
    if (m_iconsAt42.isEmpty()) {
        // The pixels that change between an icon showing 42 and one showing 43 are the number's.
        m_iconsAt42 = iconsShowing(42);
        m_app = std::make_unique<DesktopApplication>();
        QTRY_VERIFY_WITH_TIMEOUT(!DesktopApplication::widgetPortInUse(), 5000);
        m_iconsAt43 = iconsShowing(43);
    }
    QVERIFY(!m_iconsAt42.isEmpty());
    QCOMPARE(m_iconsAt43.size(), m_iconsAt42.size());
    QStringList failures;
    for (qsizetype i = 0; i < m_iconsAt42.size(); ++i) {
        const QImage& before = m_iconsAt42.at(i);
        const QImage& after = m_iconsAt43.at(i);
        const double contrast = IconContrast::glyphContrast(before, after, panel);
        if (IconContrast::changedPixels(before, after, panel) == 0 || contrast < 3.0)
            failures << u"%1 px: %2:1"_s.arg(before.width()).arg(contrast, 0, 'f', 2);
    }
    QVERIFY2(failures.isEmpty(), qPrintable(u"number below 3:1 at "_s + failures.join(u", "_s)));
}

void TestSwayDesktop::menuStartsWithTheWayToThePopover()
{
    const auto item = startWithItem(u"wayland"_s);
    QVERIFY(item);
    QStringList labels;
    for (const ExportedMenuEntry& entry : item->menuEntries())
        if (!entry.separator)
            labels << entry.label;
    QCOMPARE(labels.mid(0, 2), (QStringList{u"Show Usage"_s, u"Refresh Now"_s}));
    for (const QString& label : {u"Open Dashboard"_s, u"Settings…"_s, u"Quit Tallyvane"_s})
        QVERIFY2(labels.contains(label), qPrintable(labels.join(u" | "_s)));
    QCOMPARE(labels.constLast(), u"Quit Tallyvane"_s);
}

void TestSwayDesktop::popoverOpensInsideTheOutput_data()
{
    QTest::addColumn<QString>("platform");
    QTest::addColumn<bool>("fromMenu");
    for (const auto& platform : {u"wayland"_s, u"xcb"_s}) {
        QTest::addRow("%s, Activate", qPrintable(platform)) << platform << false;
        QTest::addRow("%s, Show Usage", qPrintable(platform)) << platform << true;
    }
}

void TestSwayDesktop::popoverOpensInsideTheOutput()
{
    QFETCH(QString, platform);
    QFETCH(bool, fromMenu);
    const auto item = startWithItem(platform);
    if (!item && m_app->pid() == 0)
        QSKIP("sway runs without Xwayland here");
    QVERIFY(item);
    QVERIFY(waitForToolTip(*item, u"Codex 42%"_s));
    QVERIFY(DesktopWindows::of(m_app->pid(), WindowSystem::sway).isEmpty());

    // Where waybar's tray would pass a click on the icon: the top right of the bar.
    QVERIFY2(fromMenu ? item->clickMenuEntry(u"Show Usage"_s) : item->activate(1250, 15),
             fromMenu ? "the menu has no Show Usage" : "Activate was not answered");
    // An X11 popup places itself and stays outside sway's tree: the X server is asked.
    const WindowSystem system = platform == u"xcb"_s ? WindowSystem::x11 : WindowSystem::sway;
    const auto popover = DesktopWindows::waitFor(m_app->pid(), system, popoverTitle, windowBoundMs);
    QVERIFY2(popover, qPrintable(DesktopWindows::describe(DesktopWindows::of(m_app->pid(), system))));
    const QRect output = DesktopWindows::screen(system);
    const QRect below = output.adjusted(0, qEnvironmentVariableIntValue("DESKTOP_BAR_HEIGHT"), 0, 0);
    QVERIFY2(DesktopWindows::settlesInside(m_app->pid(), system, popover->id, below, 3000),
             qPrintable(u"not inside the output below the bar: "_s +
                        DesktopWindows::describe(DesktopWindows::of(m_app->pid(), system))));
}

void TestSwayDesktop::popoverClosesWhenDismissed_data()
{
    QTest::addColumn<QString>("platform");
    QTest::addColumn<Dismissal>("dismissal");
    // sway takes no keys from outside; Xwayland takes them through XTEST.
    QTest::newRow("wayland, another window takes the focus") << u"wayland"_s << Dismissal::xWindow;
    QTest::newRow("xcb, Escape") << u"xcb"_s << Dismissal::escape;
    QTest::newRow("xcb, another window takes the focus") << u"xcb"_s << Dismissal::xWindow;
    QTest::newRow("xcb, a Wayland window takes the focus from an X one")
        << u"xcb"_s << Dismissal::waylandWindowAfterXWindow;
}

void TestSwayDesktop::popoverClosesWhenDismissed()
{
    QFETCH(QString, platform);
    QFETCH(Dismissal, dismissal);
    if (dismissal != Dismissal::escape && qEnvironmentVariableIsEmpty("DISPLAY"))
        QSKIP("sway runs without Xwayland here");
    // sway focuses a window as it maps; xmessage is the smallest X one at hand, and the widget
    // window the smallest Wayland one.
    QProcess xWindow;
    const auto startXWindow = [&] {
        xWindow.start(u"xmessage"_s, {u"-center"_s, u"another window"_s});
        return xWindow.waitForStarted(10'000) &&
               DesktopWindows::waitFor(xWindow.processId(), WindowSystem::sway, u"xmessage"_s, windowBoundMs);
    };
    if (dismissal == Dismissal::waylandWindowAfterXWindow)
        QVERIFY2(startXWindow(), "xmessage showed no window");

    const auto item = startWithItem(platform);
    if (!item && m_app->pid() == 0)
        QSKIP("sway runs without Xwayland here");
    QVERIFY(item);
    QVERIFY(waitForToolTip(*item, u"Codex 42%"_s));
    QVERIFY(item->activate(1250, 15));
    const WindowSystem system = platform == u"xcb"_s ? WindowSystem::x11 : WindowSystem::sway;
    const auto popover = DesktopWindows::waitFor(m_app->pid(), system, popoverTitle, windowBoundMs);
    QVERIFY(popover);

    QProcess waylandWindow;
    switch (dismissal) {
    case Dismissal::escape: {
        QProcess key;
        key.start(u"xdotool"_s, {u"key"_s, u"Escape"_s});
        QVERIFY(key.waitForFinished(10'000) && key.exitCode() == 0);
        break;
    }
    case Dismissal::xWindow:
        QVERIFY(startXWindow());
        break;
    case Dismissal::waylandWindowAfterXWindow: {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"QT_QPA_PLATFORM"_s, u"wayland"_s);
        waylandWindow.setProcessEnvironment(environment);
        waylandWindow.start(QStringLiteral(TALLYVANE_WIDGET_WINDOW), {});
        QVERIFY(waylandWindow.waitForStarted(10'000));
        break;
    }
    }
    const auto shown = [&] {
        return std::ranges::any_of(DesktopWindows::of(m_app->pid(), system),
                                   [&](const DesktopWindow& window) { return window.id == popover->id; });
    };
    QTRY_VERIFY2_WITH_TIMEOUT(
        !shown(), qPrintable(DesktopWindows::describe(DesktopWindows::of(m_app->pid(), system))), 5000);
    for (QProcess* other : {&xWindow, &waylandWindow}) {
        other->kill();
        other->waitForFinished(5000);
    }
}

void TestSwayDesktop::statusBarModuleShowsUsageOnItsFirstPoll_data()
{
    QTest::addColumn<int>("keyringDelayMs");
    QTest::newRow("no keyring on the bus") << 0;
    QTest::newRow("keyring answering after 8 s") << 8000;
}

void TestSwayDesktop::statusBarModuleShowsUsageOnItsFirstPoll()
{
    QFETCH(int, keyringDelayMs);
    std::unique_ptr<SlowSecretService> keyring;
    if (keyringDelayMs > 0) {
        keyring = std::make_unique<SlowSecretService>(keyringDelayMs);
        QVERIFY(keyring->start());
    }
    QVERIFY(!m_app->prepare(42).isEmpty());
    QVERIFY(m_app->start(u"wayland"_s));
    QTRY_VERIFY_WITH_TIMEOUT(DesktopApplication::widgetPortInUse(), itemBoundMs);

    // waybar runs the module now, as at the start of an interval.
    const qsizetype before = moduleLines().size();
    const qint64 bar = qEnvironmentVariableIntValue("DESKTOP_BAR_PID");
    QVERIFY(bar > 0);
    QCOMPARE(::kill(pid_t(bar), SIGRTMIN + qEnvironmentVariableIntValue("DESKTOP_MODULE_SIGNAL")), 0);
    // The one-shot client gives up after 15 s; waybar's interval is 30 s.
    QTRY_VERIFY_WITH_TIMEOUT(moduleLines().size() > before, 20'000);
    const QJsonObject shown = QJsonDocument::fromJson(moduleLines().at(before).toUtf8()).object();
    QVERIFY2(shown.value(u"text"_s).toString().contains(u"Codex 42%"_s),
             qPrintable(moduleLines().at(before)));
}

void TestSwayDesktop::signalQuitsAndFreesTheWidgetPort_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGHUP") << SIGHUP;
}

void TestSwayDesktop::signalQuitsAndFreesTheWidgetPort()
{
    QFETCH(int, signalNumber);
    const auto item = startWithItem(u"wayland"_s);
    QVERIFY(item);
    QTRY_VERIFY_WITH_TIMEOUT(DesktopApplication::widgetPortInUse(), itemBoundMs);

    QVERIFY2(m_app->stopWith(signalNumber, quitBoundMs), "the application did not end by itself");
    QCOMPARE(m_app->exitCode(), 0);
    QVERIFY(!DesktopApplication::widgetPortInUse());
}

void TestSwayDesktop::withoutTrayHostClosingTheDashboardQuits_data()
{
    addPlatformRows();
}

void TestSwayDesktop::withoutTrayHostClosingTheDashboardQuits()
{
    QFETCH(QString, platform);
    if (StatusNotifierItemProbe::watcherPresent()) {
        const qint64 bar = qEnvironmentVariableIntValue("DESKTOP_BAR_PID");
        QVERIFY(bar > 0 && ::kill(pid_t(bar), SIGTERM) == 0);
        QTRY_VERIFY_WITH_TIMEOUT(!StatusNotifierItemProbe::watcherPresent(), 5000);
    }
    if (platform == u"xcb"_s && qEnvironmentVariableIsEmpty("DISPLAY"))
        QSKIP("sway runs without Xwayland here");
    QVERIFY(!m_app->prepare(42).isEmpty());
    QVERIFY(m_app->start(platform));
    QTRY_VERIFY_WITH_TIMEOUT(!DesktopWindows::of(m_app->pid(), WindowSystem::sway).isEmpty(), itemBoundMs);
    QTRY_VERIFY_WITH_TIMEOUT(DesktopApplication::widgetPortInUse(), itemBoundMs);

    QVERIFY(DesktopWindows::close(m_app->pid(), WindowSystem::sway));
    QVERIFY2(m_app->waitForExit(quitBoundMs),
             qPrintable(u"still running with "_s +
                        DesktopWindows::describe(DesktopWindows::of(m_app->pid(), WindowSystem::sway))));
    QCOMPARE(m_app->exitCode(), 0);
    QVERIFY(!DesktopApplication::widgetPortInUse());
}

QTEST_GUILESS_MAIN(TestSwayDesktop)
#include "TestSwayDesktop.moc"
