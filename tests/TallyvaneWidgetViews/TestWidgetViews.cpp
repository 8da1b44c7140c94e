#include <TallyvaneWidgetViews/DesktopWidgetWindow.h>
#include <TallyvaneWidgetViews/ProviderUsageView.h>
#include <TallyvaneWidgetViews/WidgetFooterLine.h>

#include <QCoroTimer>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace tallyvane::testing {
namespace {

const WidgetDate now = WidgetDate::fromSecondsSinceReferenceDate(800'000'000);

WidgetUsageSnapshot document(WidgetDate updatedAt)
{
    return {
        .updatedAt = updatedAt,
        .providers = {{.service = WidgetProviderService::codex,
                       .state = WidgetProviderState::available,
                       .windows = {WidgetWindow(u"seven_day"_s, u"Weekly"_s, 0.31, now.addingSeconds(5400))}},
                      {.service = WidgetProviderService::claude,
                       .state = WidgetProviderState::signInRequired,
                       .windows = {}}}};
}

} // namespace

class TestWidgetViews : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void familiesShowTheirDetailInsideTheirBounds_data()
    {
        QTest::addColumn<UsageWidgetView::Family>("family");
        QTest::addColumn<bool>("detailShown");
        QTest::addColumn<bool>("sideBySide");
        QTest::newRow("small") << UsageWidgetView::Family::small << false << false;
        QTest::newRow("medium") << UsageWidgetView::Family::medium << true << true;
    }

    void familiesShowTheirDetailInsideTheirBounds()
    {
        QFETCH(UsageWidgetView::Family, family);
        QFETCH(bool, detailShown);
        QFETCH(bool, sideBySide);
        UsageWidgetView view;
        view.setClock([] { return now; });
        view.setFamily(family);
        view.setEntry({.date = now, .snapshot = document(now.addingSeconds(-120))});

        const QList<ProviderUsageView*> blocks = view.providerViews();
        QCOMPARE(blocks.size(), 2);
        const ProviderUsageView::Content codex = blocks[0]->content();
        QCOMPARE(codex.percent, u"31%"_s);
        QCOMPARE(codex.windowName.has_value(), detailShown);
        QCOMPARE(codex.resetCountdown.has_value(), detailShown);
        if (detailShown) {
            QCOMPARE(*codex.windowName, u"Weekly"_s);
            QCOMPARE(*codex.resetCountdown, u"1 hr, 30 min"_s);
        }
        QCOMPARE(blocks[1]->content().message, u"Sign in required"_s);

        QCOMPARE(blocks[0]->geometry().top() == blocks[1]->geometry().top(), sideBySide);
        const QRect inside = view.rect().adjusted(8, 8, -8, -8);
        for (const ProviderUsageView* block : blocks)
            QVERIFY2(inside.contains(block->geometry()), "a provider block leaves the widget");
        QVERIFY2(inside.contains(view.footer()->geometry()), "the footer leaves the widget");
        QVERIFY(blocks[0]->geometry().bottom() < view.footer()->geometry().top());

        QCOMPARE(blocks[0]->accessibleName(), u"Codex, 31% used"_s);
        QCOMPARE(blocks[1]->accessibleName(), u"Claude, Sign in required"_s);
        QCOMPARE(view.footer()->text(), u"Updated 2 min. ago"_s);
        QCOMPARE(view.footer()->accessibleName(), u"Usage updated 2 min. ago"_s);
    }

    void desktopHostReloadsAtTheReloadDateButNotWithinAMinute_data()
    {
        QTest::addColumn<double>("reloadIn");
        QTest::addColumn<std::chrono::milliseconds>("delay");
        QTest::newRow("stale document") << -3600.0 << std::chrono::milliseconds(60s);
        QTest::newRow("reload in 30 s") << 30.0 << std::chrono::milliseconds(60s);
        QTest::newRow("reload in 15 min") << 900.0 << std::chrono::milliseconds(900s);
        QTest::newRow("document from the future") << 86400.0 << std::chrono::milliseconds(900s);
    }

    void desktopHostReloadsAtTheReloadDateButNotWithinAMinute()
    {
        QFETCH(double, reloadIn);
        QFETCH(std::chrono::milliseconds, delay);
        QCOMPARE(DesktopWidgetWindow::reloadDelay(now.addingSeconds(reloadIn), now, now), delay);
    }

    void desktopHostHidesFiguresUntilTheFirstLoad()
    {
        const WidgetUsageSnapshot sent = document(now);
        auto release = std::make_shared<bool>(false);
        const WidgetUsageLoader loader(
            [release, sent]() -> QCoro::Task<WidgetUsageLoader::FetchResult> {
                while (!*release) {
                    QCoro::Task<> sleeping = QCoro::sleepFor(5ms);
                    co_await sleeping;
                }
                co_return sent;
            },
            [] { return now; });
        DesktopWidgetWindow window(UsageTimelineProvider(loader), UsageWidgetView::Family::small);
        QVERIFY(window.view()->isRedacted());
        QCOMPARE(window.view()->entry().snapshot.providers.size(), 2); // the placeholder's blocks

        *release = true;
        QSignalSpy loaded(&window, &DesktopWidgetWindow::loaded);
        QVERIFY(loaded.wait(5000));
        QVERIFY(!window.view()->isRedacted());
        QCOMPARE(window.view()->entry().snapshot, sent);
    }
};

} // namespace tallyvane::testing

QTEST_MAIN(tallyvane::testing::TestWidgetViews)
#include "TestWidgetViews.moc"
