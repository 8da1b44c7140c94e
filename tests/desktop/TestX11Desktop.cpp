#include "DesktopSuite.h"

#include <QProcess>
#include <QTest>

using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

namespace {

bool xdotool(const QStringList& arguments)
{
    QProcess process;
    process.start(u"xdotool"_s, arguments);
    return process.waitForFinished(10'000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

QStringList at(QPoint point)
{
    return {u"mousemove"_s, QString::number(point.x()), QString::number(point.y())};
}

} // namespace

// Runs inside tests/desktop/desktop-session x11: Xvfb with trayer as the XEmbed tray on a top
// panel, no StatusNotifierWatcher on the bus, the real application binary and the fake codex.
class TestX11Desktop : public DesktopSuite {
    Q_OBJECT
public:
    TestX11Desktop()
        : DesktopSuite(WindowSystem::x11)
    {
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_panelHeight = qEnvironmentVariableIntValue("DESKTOP_BAR_HEIGHT");
        QVERIFY(m_panelHeight > 0);
        QCOMPARE(qEnvironmentVariable("DESKTOP_KIND"), u"x11"_s);
        QVERIFY(DesktopWindows::screen(WindowSystem::x11).isValid());
    }

    void clickOnTheEmbeddedIconOpensThePopoverBelowThePanel_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Escape") << true;
        QTest::newRow("click outside") << false;
    }

    void clickOnTheEmbeddedIconOpensThePopoverBelowThePanel()
    {
        QFETCH(bool, escape);
        QVERIFY(!m_app->prepare(42).isEmpty() && m_app->start(u"xcb"_s));
        std::optional<DesktopWindow> icon;
        QTRY_VERIFY2_WITH_TIMEOUT((icon = embeddedIcon()).has_value(),
                                  "no window of the application inside the panel", boundMs);
        QVERIFY(icon->rect.width() >= 16 && icon->rect.width() <= m_panelHeight);
        QVERIFY(xdotool(at(icon->rect.center()) << u"click"_s << u"1"_s));

        // The tray icon's own window carries the application's name too.
        popoverSettlesBelowTheBar(WindowSystem::x11, m_panelHeight, icon->id);
        if (QTest::currentTestFailed())
            return;
        // Without a window manager the keyboard follows the pointer; a manager would focus the
        // popover as it opens.
        QVERIFY(escape ? xdotool(at(m_popover->rect.center()) << u"key"_s << u"Escape"_s)
                       : xdotool(at({200, 600}) << u"click"_s << u"1"_s));
        popoverCloses(WindowSystem::x11, icon->id);
    }

private:
    std::optional<DesktopWindow> embeddedIcon() const
    {
        for (const DesktopWindow& window : DesktopWindows::of(m_app->pid(), WindowSystem::x11))
            if (window.rect.isValid() && window.rect.bottom() < m_panelHeight)
                return window;
        return std::nullopt;
    }

    int m_panelHeight = 0;
};

QTEST_GUILESS_MAIN(TestX11Desktop)
#include "TestX11Desktop.moc"
