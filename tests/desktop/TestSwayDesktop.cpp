#include "DesktopSuite.h"
#include "IconContrast.h"
#include "SlowSecretService.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#include <csignal>

using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

// How a test takes the popover away: a key, or another window that takes the focus.
enum class Dismissal { escape, xWindow, waylandWindowAfterXWindow };
Q_DECLARE_METATYPE(Dismissal)

namespace {

// Where waybar's tray would pass a click on the icon: the top right of the bar.
constexpr int clickX = 1250;
constexpr int clickY = 15;

bool hasXwayland()
{
    if (!qEnvironmentVariableIsEmpty("DISPLAY"))
        return true;
    if (qEnvironmentVariable("CI") == u"true"_s)
        qFatal("sway started no Xwayland");
    return false;
}

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

// Runs inside tests/desktop/desktop-session: headless sway, waybar as the tray and status-bar
// host, the real application binary and the fake codex.
class TestSwayDesktop : public DesktopSuite {
    Q_OBJECT
public:
    TestSwayDesktop()
        : DesktopSuite(WindowSystem::sway)
    {
    }

private Q_SLOTS:
    void initTestCase()
    {
        QCOMPARE(qEnvironmentVariable("DESKTOP_KIND"), u"sway"_s);
        QVERIFY2(StatusNotifierItemProbe::watcherPresent(), "waybar provides no StatusNotifierWatcher");
        QVERIFY(DesktopWindows::screen(WindowSystem::sway).isValid());
    }

    void itemExportsItsPropertiesAndMenu_data() { addPlatformRows(); }

    void itemExportsItsPropertiesAndMenu()
    {
        QFETCH(QString, platform);
        if (platform == u"xcb"_s && !hasXwayland())
            QSKIP("sway runs without Xwayland here");
        const auto item = startWithItem(platform);
        QVERIFY2(item, "the application registered no item with the watcher");

        QCOMPARE(item->stringProperty(u"Id"_s), u"Tallyvane"_s);
        QCOMPARE(item->stringProperty(u"Title"_s), u"Tallyvane"_s);
        QVERIFY2(showsCodexPercent(*item, 42), qPrintable(item->toolTip().value_or(u"(none)"_s)));
        const QList<QImage> icons = item->iconPixmaps();
        QVERIFY(!icons.isEmpty());
        for (const QImage& icon : icons)
            QCOMPARE(icon.width(), icon.height());

        const auto menu = item->menuPath();
        QVERIFY(menu && !menu->isEmpty() && *menu != u"/"_s);
        QStringList labels;
        for (const ExportedMenuEntry& entry : item->menuEntries())
            if (!entry.separator)
                labels << entry.label;
        QCOMPARE(labels.mid(0, 2), (QStringList{u"Show Usage"_s, u"Refresh Now"_s}));
        for (const QString& label : {u"Open Dashboard"_s, u"Settings…"_s, u"Quit Tallyvane"_s})
            QVERIFY2(labels.contains(label), qPrintable(labels.join(u" | "_s)));
        QCOMPARE(labels.constLast(), u"Quit Tallyvane"_s);
    }

    void iconNumberIsLegibleOnEveryPanel_data()
    {
        QTest::addColumn<QRgb>("panel");
        QTest::newRow("black (GNOME's top bar)") << qRgb(0, 0, 0);
        QTest::newRow("#2b303b (dark bars)") << qRgb(0x2b, 0x30, 0x3b);
        QTest::newRow("white (light panels)") << qRgb(0xff, 0xff, 0xff);
    }

    void iconNumberIsLegibleOnEveryPanel()
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

    void popoverOpensInsideTheOutputAndClosesWhenDismissed_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<bool>("fromMenu"); // else Activate, as a click on the icon
        QTest::addColumn<Dismissal>("dismissal");
        // sway takes no keys from outside; Xwayland takes them through XTEST.
        QTest::newRow("wayland, Activate; another window takes the focus")
            << u"wayland"_s << false << Dismissal::xWindow;
        QTest::newRow("wayland, Show Usage; another window takes the focus")
            << u"wayland"_s << true << Dismissal::xWindow;
        QTest::newRow("xcb, Activate; Escape") << u"xcb"_s << false << Dismissal::escape;
        QTest::newRow("xcb, Show Usage; another window takes the focus")
            << u"xcb"_s << true << Dismissal::xWindow;
        QTest::newRow("xcb, Activate; a Wayland window takes the focus from an X one")
            << u"xcb"_s << false << Dismissal::waylandWindowAfterXWindow;
    }

    void popoverOpensInsideTheOutputAndClosesWhenDismissed()
    {
        QFETCH(QString, platform);
        QFETCH(bool, fromMenu);
        QFETCH(Dismissal, dismissal);
        if (!hasXwayland())
            QSKIP("sway runs without Xwayland here");
        // sway focuses a window as it maps; xmessage is the smallest X one at hand, and the widget
        // window the smallest Wayland one.
        QProcess xWindow;
        const auto startXWindow = [&] {
            xWindow.start(u"xmessage"_s, {u"-center"_s, u"another window"_s});
            return xWindow.waitForStarted(10'000) &&
                   DesktopWindows::waitFor(xWindow.processId(), WindowSystem::sway, u"xmessage"_s, boundMs);
        };
        if (dismissal == Dismissal::waylandWindowAfterXWindow)
            QVERIFY2(startXWindow(), "xmessage showed no window");

        const auto item = startWithItem(platform);
        QVERIFY(item);
        QVERIFY(showsCodexPercent(*item, 42));
        QVERIFY(DesktopWindows::of(m_app->pid(), WindowSystem::sway).isEmpty());
        QVERIFY2(fromMenu ? item->clickMenuEntry(u"Show Usage"_s) : item->activate(clickX, clickY),
                 fromMenu ? "the menu has no Show Usage" : "Activate was not answered");
        // An X11 popup places itself and stays outside sway's tree: the X server is asked.
        const WindowSystem system = platform == u"xcb"_s ? WindowSystem::x11 : WindowSystem::sway;
        popoverSettlesBelowTheBar(system, qEnvironmentVariableIntValue("DESKTOP_BAR_HEIGHT"));
        if (QTest::currentTestFailed())
            return;

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
        popoverCloses(system);
        for (QProcess* other : {&xWindow, &waylandWindow}) {
            other->kill();
            other->waitForFinished(5000);
        }
    }

    void statusBarModuleShowsUsageOnItsFirstPoll_data()
    {
        QTest::addColumn<int>("keyringDelayMs");
        QTest::newRow("no keyring on the bus") << 0;
        QTest::newRow("keyring answering after 8 s") << 8000;
    }

    void statusBarModuleShowsUsageOnItsFirstPoll()
    {
        QFETCH(int, keyringDelayMs);
        std::unique_ptr<SlowSecretService> keyring;
        if (keyringDelayMs > 0) {
            keyring = std::make_unique<SlowSecretService>(keyringDelayMs);
            QVERIFY(keyring->start());
        }
        QVERIFY(!m_app->prepare(42).isEmpty());
        QVERIFY(m_app->start(u"wayland"_s));
        QTRY_VERIFY_WITH_TIMEOUT(DesktopApplication::widgetPortInUse(), boundMs);

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

    // The handler itself meets each session signal in the application's own suite; here the
    // real binary ends by itself and frees the port.
    void sigtermQuitsAndFreesTheWidgetPort()
    {
        QVERIFY(startWithItem(u"wayland"_s));
        QTRY_VERIFY_WITH_TIMEOUT(DesktopApplication::widgetPortInUse(), boundMs);
        QVERIFY2(m_app->stopWith(SIGTERM, 10'000), "the application did not end by itself");
        QCOMPARE(m_app->exitCode(), 0);
        QVERIFY(!DesktopApplication::widgetPortInUse());
    }

    // Stops waybar: keep it last.
    void withoutTrayHostClosingTheDashboardQuits_data() { addPlatformRows(); }

    void withoutTrayHostClosingTheDashboardQuits()
    {
        QFETCH(QString, platform);
        if (StatusNotifierItemProbe::watcherPresent()) {
            const qint64 bar = qEnvironmentVariableIntValue("DESKTOP_BAR_PID");
            QVERIFY(bar > 0 && ::kill(pid_t(bar), SIGTERM) == 0);
            QTRY_VERIFY_WITH_TIMEOUT(!StatusNotifierItemProbe::watcherPresent(), 5000);
        }
        if (platform == u"xcb"_s && !hasXwayland())
            QSKIP("sway runs without Xwayland here");
        closingTheDashboardQuits(platform);
    }

private:
    // The icons once the tooltip shows this percentage.
    QList<QImage> iconsShowing(int codexPercent)
    {
        const auto item = startWithItem(u"wayland"_s, codexPercent);
        if (!item || !showsCodexPercent(*item, codexPercent))
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

    QList<QImage> m_iconsAt42;
    QList<QImage> m_iconsAt43;
};

QTEST_GUILESS_MAIN(TestSwayDesktop)
#include "TestSwayDesktop.moc"
