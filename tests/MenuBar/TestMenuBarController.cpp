#include <MenuBar/CompactProviderCard.h>
#include <MenuBar/MenuBarController.h>
#include <MenuBar/StatusIconContent.h>
#include <TallyvaneUI/MenuBarSettings.h>

#include "AppModelFixture.h"
#include "RealisticUsage.h"

#include <QApplication>
#include <QSignalBlocker>
#include <QTest>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

namespace {

// A started controller over realistic answers for both services.
struct Harness {
    AppModelFixture fixture;
    ViewServices services{*fixture.model, fixture.preferences, fixture.clock.function(),
                          [](const QUrl&) { return true; }};
    std::unique_ptr<MenuBarController> controller;

    Harness()
    {
        answerRealistically();
        controller = std::make_unique<MenuBarController>(services, nullptr, nullptr);
        QTRY_VERIFY(fixture.model->lastUpdatedAt() && !fixture.model->isRefreshing());
    }
    void answerRealistically()
    {
        for (const ProviderService service : allCases<ProviderService>())
            fixture.provider(service).setCollection(
                RealisticUsage::collection(service, fixture.clock.current()));
    }
};

} // namespace

class TestMenuBarController : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void menuPreferenceRedrawsWithoutRefresh_data();
    void menuPreferenceRedrawsWithoutRefresh();
    void minuteTickRedrawsOnlyWhenTheProjectionMoved();
    void openingThePopoverChecksTheInteractiveInterval_data();
    void openingThePopoverChecksTheInteractiveInterval();
    void closingThePopoverKeepsAnActiveApplicationInteractive();
    void popoverShowsTheShownServices_data();
    void popoverShowsTheShownServices();
    void iconFollowsTheProjectionsWindowAndMode_data();
    void iconFollowsTheProjectionsWindowAndMode();
    void secondaryWindowsAreMadeOnceAndReused_data();
    void secondaryWindowsAreMadeOnceAndReused();
    void iconWaitsWithANeutralRingForTheFirstRefresh_data();
    void iconWaitsWithANeutralRingForTheFirstRefresh();
    void trayMenuEntriesDoWhatTheySay_data();
    void trayMenuEntriesDoWhatTheySay();
};

void TestMenuBarController::menuPreferenceRedrawsWithoutRefresh_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");
    QTest::newRow("icons only") << u"menu.iconsOnly"_s << QVariant(true);
    QTest::newRow("remaining") << u"menu.percentageMode"_s << QVariant(u"remaining"_s);
    QTest::newRow("no reset time") << u"menu.showReset"_s << QVariant(false);
    QTest::newRow("weekly window") << u"menu.windowKind"_s << QVariant(u"sevenDay"_s);
    QTest::newRow("claude first") << u"menu.providerOrder"_s << QVariant(u"claude,codex"_s);
    QTest::newRow("codex hidden") << u"menu.showCodex"_s << QVariant(false);
}

void TestMenuBarController::menuPreferenceRedrawsWithoutRefresh()
{
    QFETCH(QString, key);
    QFETCH(QVariant, value);
    Harness h;
    const int redraws = h.controller->redrawCount();
    const int collections = h.fixture.collections();
    const std::optional<MenuBarProjection> before = h.controller->renderedProjection();

    QVERIFY(h.fixture.preferences.setValue(key, value));
    QCOMPARE(h.controller->redrawCount(), redraws + 1);
    QVERIFY(h.controller->renderedProjection() != before);
    QCOMPARE(h.fixture.collections(), collections);
}

void TestMenuBarController::minuteTickRedrawsOnlyWhenTheProjectionMoved()
{
    Harness h;
    const int redraws = h.controller->redrawCount();
    h.fixture.clock.advance(60);
    h.controller->updateStatusItem();
    QCOMPARE(h.controller->redrawCount(), redraws);

    // New answers whose resets lie one minute later, published without the model's signals:
    // only the tick can notice them.
    h.answerRealistically();
    {
        const QSignalBlocker quiet(h.fixture.model.get());
        h.fixture.refresh();
    }
    QCOMPARE(h.controller->redrawCount(), redraws);
    h.controller->updateStatusItem();
    QCOMPARE(h.controller->redrawCount(), redraws + 1);
}

void TestMenuBarController::openingThePopoverChecksTheInteractiveInterval_data()
{
    QTest::addColumn<double>("sinceRefresh");
    QTest::addColumn<bool>("refreshes");
    // Idle, the loop would wait 600 s; while the user looks, 120 s is enough.
    QTest::newRow("130 s") << 130.0 << true;
    QTest::newRow("30 s") << 30.0 << false;
}

void TestMenuBarController::openingThePopoverChecksTheInteractiveInterval()
{
    QFETCH(double, sinceRefresh);
    QFETCH(bool, refreshes);
    Harness h;
    h.fixture.model->setInteractive(false);
    h.fixture.clock.advance(sinceRefresh);
    const int collections = h.fixture.collections();

    h.controller->togglePopover();
    QVERIFY(h.controller->popover().isVisible());
    QTRY_VERIFY(h.fixture.model->isInteractive());
    QTest::qWait(20);
    QTRY_VERIFY(!h.fixture.model->isRefreshing());
    QCOMPARE(h.fixture.collections(), collections + (refreshes ? 2 : 0));
}

void TestMenuBarController::closingThePopoverKeepsAnActiveApplicationInteractive()
{
    Harness h;
    QWidget dashboard;
    dashboard.show();
    dashboard.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dashboard));

    h.controller->togglePopover();
    QTRY_VERIFY(h.controller->popover().isVisible());
    h.controller->togglePopover();
    QVERIFY(!h.controller->popover().isVisible());
    QTest::qWait(20);
    QVERIFY(h.fixture.model->isInteractive());
}

void TestMenuBarController::popoverShowsTheShownServices_data()
{
    QTest::addColumn<bool>("showCodex");
    QTest::addColumn<bool>("showClaude");
    QTest::addColumn<QList<ProviderService>>("cards");
    QTest::newRow("both") << true << true << QList{ProviderService::codex, ProviderService::claude};
    QTest::newRow("claude only") << false << true << QList{ProviderService::claude};
    QTest::newRow("none") << false << false << QList<ProviderService>{};
}

void TestMenuBarController::popoverShowsTheShownServices()
{
    QFETCH(bool, showCodex);
    QFETCH(bool, showClaude);
    QFETCH(QList<ProviderService>, cards);
    Harness h;
    h.fixture.preferences.setShowService(ProviderService::codex, showCodex);
    h.fixture.preferences.setShowService(ProviderService::claude, showClaude);

    QList<ProviderService> shown;
    for (const CompactProviderCard* card : h.controller->popover().cards())
        shown.append(card->service());
    QCOMPARE(shown, cards);
    QCOMPARE(h.controller->popover().showsNoProvidersNotice(), cards.isEmpty());
}

void TestMenuBarController::iconFollowsTheProjectionsWindowAndMode_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<StatusIconContent>("expected");
    using Kind = StatusIconContent::Kind;
    const auto codex = ProviderService::codex;
    const auto claude = ProviderService::claude;
    QTest::newRow("default") << QString() << QVariant()
                             << StatusIconContent{Kind::ring, {codex}, 0.31, u"31"_s};
    QTest::newRow("remaining") << u"menu.percentageMode"_s << QVariant(u"remaining"_s)
                               << StatusIconContent{Kind::ring, {codex}, 0.31, u"69"_s};
    QTest::newRow("weekly") << u"menu.windowKind"_s << QVariant(u"sevenDay"_s)
                            << StatusIconContent{Kind::ring, {codex}, 0.12, u"12"_s};
    QTest::newRow("claude first") << u"menu.providerOrder"_s << QVariant(u"claude,codex"_s)
                                  << StatusIconContent{Kind::ring, {claude}, 0.58, u"58"_s};
    QTest::newRow("no percentage") << u"menu.showPercentage"_s << QVariant(false)
                                   << StatusIconContent{Kind::ring, {codex}, 0.31, std::nullopt};
    QTest::newRow("icons only") << u"menu.iconsOnly"_s << QVariant(true)
                                << StatusIconContent{
                                       Kind::marks, {codex, claude}, std::nullopt, std::nullopt};
}

void TestMenuBarController::iconFollowsTheProjectionsWindowAndMode()
{
    QFETCH(QString, key);
    QFETCH(QVariant, value);
    QFETCH(StatusIconContent, expected);
    Harness h;
    if (!key.isEmpty())
        h.fixture.preferences.setValue(key, value);
    const MenuBarConfiguration configuration = MenuBarSettings::read(h.fixture.preferences);
    const QList<ProviderMenuSnapshot> snapshots = h.fixture.model->menuSnapshots();
    const MenuBarProjection projection =
        MenuBarProjection::project(snapshots, configuration, MenuBarSettings::resetTimeFormat());
    QCOMPARE(StatusIconContent::from(projection, snapshots, configuration), expected);
}

void TestMenuBarController::secondaryWindowsAreMadeOnceAndReused_data()
{
    QTest::addColumn<bool>("dashboard");
    QTest::newRow("dashboard") << true;
    QTest::newRow("settings") << false;
}

void TestMenuBarController::secondaryWindowsAreMadeOnceAndReused()
{
    QFETCH(bool, dashboard);
    AppModelFixture fixture;
    const ViewServices services{*fixture.model, fixture.preferences, fixture.clock.function(), {}};
    QList<QWidget*> made;
    const MenuBarController::WindowFactory factory = [&made] { return made.emplaceBack(new QWidget); };
    MenuBarController controller(services, dashboard ? factory : nullptr, dashboard ? nullptr : factory);
    const auto open = [&] { dashboard ? controller.openDashboard() : controller.openSettings(); };

    controller.togglePopover();
    open();
    QVERIFY(!controller.popover().isVisible());
    QCOMPARE(made.size(), 1);
    made.constFirst()->close();
    open();
    QCOMPARE(made.size(), 1);
    QVERIFY(made.constFirst()->isVisible());
    qDeleteAll(made);
}

void TestMenuBarController::iconWaitsWithANeutralRingForTheFirstRefresh_data()
{
    QTest::addColumn<bool>("servicesShown");
    QTest::addColumn<StatusIconContent::Kind>("afterwards");
    QTest::newRow("services shown") << true << StatusIconContent::Kind::ring;
    // Nothing will ever be shown: the application's glyph stands in from the start.
    QTest::newRow("none shown") << false << StatusIconContent::Kind::glyph;
}

void TestMenuBarController::iconWaitsWithANeutralRingForTheFirstRefresh()
{
    QFETCH(bool, servicesShown);
    QFETCH(StatusIconContent::Kind, afterwards);
    AppModelFixture fixture;
    fixture.answerRealistically();
    for (const ProviderService service : allCases<ProviderService>()) {
        fixture.preferences.setShowService(service, servicesShown);
        fixture.provider(service).hold();
    }
    const ViewServices services{*fixture.model, fixture.preferences, fixture.clock.function(), {}};
    MenuBarController controller(services, nullptr, nullptr);
    QCOMPARE(controller.renderedContent().kind,
             servicesShown ? StatusIconContent::Kind::pending : StatusIconContent::Kind::glyph);
    QVERIFY(!controller.icon().isNull());
    QCOMPARE(controller.toolTip(), u"Awaiting data"_s);

    for (const ProviderService service : allCases<ProviderService>())
        fixture.provider(service).release();
    QTRY_VERIFY(fixture.model->lastUpdatedAt());
    QCOMPARE(controller.renderedContent().kind, afterwards);
    QVERIFY(controller.toolTip() != u"Awaiting data"_s);
}

void TestMenuBarController::trayMenuEntriesDoWhatTheySay_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");
    // Hosts that open the menu on any click leave no other way to the popover than its top entry.
    QTest::newRow("show usage") << 0 << u"Show Usage"_s;
    QTest::newRow("refresh") << 1 << u"Refresh Now"_s;
    QTest::newRow("dashboard") << 3 << u"Open Dashboard"_s;
    QTest::newRow("settings") << 4 << u"Settings\u2026"_s;
    QTest::newRow("quit") << 6 << u"Quit Tallyvane"_s;
}

void TestMenuBarController::trayMenuEntriesDoWhatTheySay()
{
    QFETCH(int, index);
    QFETCH(QString, text);
    AppModelFixture fixture;
    fixture.answerRealistically();
    const ViewServices services{*fixture.model, fixture.preferences, fixture.clock.function(), {}};
    QWidget dashboard;
    QWidget settings;
    MenuBarController controller(
        services, [&] { return &dashboard; }, [&] { return &settings; });
    int quits = 0;
    controller.setQuitAction([&quits] { ++quits; });
    QTRY_VERIFY(fixture.model->lastUpdatedAt() && !fixture.model->isRefreshing());
    const int collections = fixture.collections();

    const QList<QAction*> entries = controller.trayMenu().actions();
    QCOMPARE(entries.size(), 7);
    QVERIFY(entries[2]->isSeparator() && entries[5]->isSeparator());
    QCOMPARE(entries[index]->text(), text);
    entries[index]->trigger();
    if (index == 0)
        entries[index]->trigger(); // a second time leaves it open
    QCOMPARE(controller.popoverIsShown(), index == 0);
    QTRY_COMPARE(fixture.collections(), collections + (index == 1 ? 2 : 0));
    QCOMPARE(dashboard.isVisible(), index == 3);
    QCOMPARE(settings.isVisible(), index == 4);
    QCOMPARE(quits, index == 6 ? 1 : 0);
}

QTEST_MAIN(TestMenuBarController)
#include "TestMenuBarController.moc"
