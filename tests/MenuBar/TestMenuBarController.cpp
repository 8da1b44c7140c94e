#include <MenuBar/CompactProviderCard.h>
#include <MenuBar/MenuBarController.h>
#include <MenuBar/StatusIconContent.h>

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
    ViewServices services = fixture.viewServices();
    std::unique_ptr<MenuBarController> controller;

    explicit Harness(MenuBarController::WindowFactory dashboard = nullptr,
                     MenuBarController::WindowFactory settings = nullptr)
    {
        fixture.answerRealistically();
        controller = std::make_unique<MenuBarController>(services, dashboard, settings);
        QTRY_VERIFY(fixture.model->lastUpdatedAt() && !fixture.model->isRefreshing());
    }
};

} // namespace

class TestMenuBarController : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A menu preference redraws the icon at once, from the data already there.
    void menuPreferenceRedrawsWithoutRefresh_data()
    {
        QTest::addColumn<QString>("key"); // empty: as started
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<StatusIconContent>("icon");
        using Kind = StatusIconContent::Kind;
        const auto codex = ProviderService::codex;
        const auto claude = ProviderService::claude;
        const StatusIconContent codexRing{Kind::ring, {codex}, 0.31, u"31"_s};
        const StatusIconContent claudeRing{Kind::ring, {claude}, 0.58, u"58"_s};
        QTest::newRow("as started") << QString() << QVariant() << codexRing;
        QTest::newRow("remaining") << u"menu.percentageMode"_s << QVariant(u"remaining"_s)
                                   << StatusIconContent{Kind::ring, {codex}, 0.31, u"69"_s};
        QTest::newRow("no reset time") << u"menu.showReset"_s << QVariant(false) << codexRing;
        QTest::newRow("weekly window") << u"menu.windowKind"_s << QVariant(u"sevenDay"_s)
                                       << StatusIconContent{Kind::ring, {codex}, 0.12, u"12"_s};
        QTest::newRow("claude first") << u"menu.providerOrder"_s << QVariant(u"claude,codex"_s) << claudeRing;
        QTest::newRow("codex hidden") << u"menu.showCodex"_s << QVariant(false) << claudeRing;
        QTest::newRow("no percentage") << u"menu.showPercentage"_s << QVariant(false)
                                       << StatusIconContent{Kind::ring, {codex}, 0.31, std::nullopt};
        QTest::newRow("icons only") << u"menu.iconsOnly"_s << QVariant(true)
                                    << StatusIconContent{Kind::marks, {codex, claude}, {}, {}};
    }
    void menuPreferenceRedrawsWithoutRefresh()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        QFETCH(StatusIconContent, icon);
        Harness h;
        const int redraws = h.controller->redrawCount();
        const int collections = h.fixture.collections();
        if (!key.isEmpty()) {
            QVERIFY(h.fixture.preferences.setValue(key, value));
            QCOMPARE(h.controller->redrawCount(), redraws + 1);
        }
        QCOMPARE(h.controller->renderedContent(), icon);
        QCOMPARE(h.fixture.collections(), collections);
    }

    void minuteTickRedrawsOnlyWhenTheProjectionMoved()
    {
        Harness h;
        const int redraws = h.controller->redrawCount();
        h.fixture.clock.advance(60);
        h.controller->updateStatusItem();
        QCOMPARE(h.controller->redrawCount(), redraws);

        // New answers whose resets lie one minute later, published without the model's signals:
        // only the tick can notice them.
        h.fixture.answerRealistically();
        {
            const QSignalBlocker quiet(h.fixture.model.get());
            h.fixture.refresh();
        }
        QCOMPARE(h.controller->redrawCount(), redraws);
        h.controller->updateStatusItem();
        QCOMPARE(h.controller->redrawCount(), redraws + 1);
    }

    void openingThePopoverChecksTheInteractiveInterval_data()
    {
        QTest::addColumn<double>("sinceRefresh");
        QTest::addColumn<bool>("refreshes");
        // Idle, the loop would wait 600 s; while the user looks, 120 s is enough.
        QTest::newRow("130 s") << 130.0 << true;
        QTest::newRow("30 s") << 30.0 << false;
    }
    void openingThePopoverChecksTheInteractiveInterval()
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

    void closingThePopoverKeepsAnActiveApplicationInteractive()
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

    void popoverShowsTheShownServices_data()
    {
        QTest::addColumn<bool>("showCodex");
        QTest::addColumn<bool>("showClaude");
        QTest::addColumn<QList<ProviderService>>("cards");
        QTest::newRow("both") << true << true << QList{ProviderService::codex, ProviderService::claude};
        QTest::newRow("claude only") << false << true << QList{ProviderService::claude};
        QTest::newRow("none") << false << false << QList<ProviderService>{};
    }
    void popoverShowsTheShownServices()
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

    void iconWaitsWithANeutralRingForTheFirstRefresh_data()
    {
        QTest::addColumn<bool>("servicesShown");
        QTest::addColumn<StatusIconContent::Kind>("afterwards");
        QTest::newRow("services shown") << true << StatusIconContent::Kind::ring;
        // Nothing will ever be shown: the application's glyph stands in from the start.
        QTest::newRow("none shown") << false << StatusIconContent::Kind::glyph;
    }
    void iconWaitsWithANeutralRingForTheFirstRefresh()
    {
        QFETCH(bool, servicesShown);
        QFETCH(StatusIconContent::Kind, afterwards);
        AppModelFixture fixture;
        fixture.answerRealistically();
        for (const ProviderService service : allCases<ProviderService>()) {
            fixture.preferences.setShowService(service, servicesShown);
            fixture.provider(service).hold();
        }
        const ViewServices services = fixture.viewServices();
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

    // Each entry is triggered with the popover open, which "Show Usage" leaves open; a window is
    // made once and brought back after it was closed.
    void trayMenuEntriesDoWhatTheySay_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("popoverStays");
        // Hosts that open the menu on any click leave no other way to the popover than its top entry.
        QTest::newRow("show usage") << 0 << u"Show Usage"_s << true;
        QTest::newRow("refresh") << 1 << u"Refresh Now"_s << true;
        QTest::newRow("dashboard") << 3 << u"Open Dashboard"_s << false;
        QTest::newRow("settings") << 4 << u"Settings\u2026"_s << false;
        QTest::newRow("quit") << 6 << u"Quit Tallyvane"_s << true;
    }
    void trayMenuEntriesDoWhatTheySay()
    {
        QFETCH(int, index);
        QFETCH(QString, text);
        QFETCH(bool, popoverStays);
        QWidget dashboard;
        QWidget settings;
        int dashboardsMade = 0;
        int settingsMade = 0;
        const auto making = [](int& made, QWidget& window) {
            return [&made, &window] {
                ++made;
                return &window;
            };
        };
        Harness h(making(dashboardsMade, dashboard), making(settingsMade, settings));
        int quits = 0;
        h.controller->setQuitAction([&quits] { ++quits; });
        const int collections = h.fixture.collections();
        h.controller->togglePopover();

        const QList<QAction*> entries = h.controller->trayMenu().actions();
        QCOMPARE(entries.size(), 7);
        QVERIFY(entries[2]->isSeparator() && entries[5]->isSeparator());
        QCOMPARE(entries[index]->text(), text);
        entries[index]->trigger();
        if (index == 3 || index == 4) {
            dashboard.close();
            settings.close();
            entries[index]->trigger();
        }
        QCOMPARE(h.controller->popoverIsShown(), popoverStays);
        QTRY_COMPARE(h.fixture.collections(), collections + (index == 1 ? 2 : 0));
        QCOMPARE(dashboard.isVisible(), index == 3);
        QCOMPARE(dashboardsMade, index == 3 ? 1 : 0);
        QCOMPARE(settings.isVisible(), index == 4);
        QCOMPARE(settingsMade, index == 4 ? 1 : 0);
        QCOMPARE(quits, index == 6 ? 1 : 0);
    }
};

QTEST_MAIN(TestMenuBarController)
#include "TestMenuBarController.moc"
