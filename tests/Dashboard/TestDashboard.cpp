#include "AppModelFixture.h"
#include "RealisticUsage.h"

#include <Dashboard/AllWindowsModel.h>
#include <Dashboard/AllWindowsTable.h>
#include <Dashboard/CountdownTimeline.h>
#include <Dashboard/DashboardView.h>
#include <Dashboard/DashboardWindow.h>
#include <Dashboard/ProviderDashboardCard.h>
#include <Dashboard/TokenActivityChart.h>
#include <UsageViews/ProviderConnectionBadge.h>
#include <UsageViews/ProviderConnectionButton.h>

#include <QChart>
#include <QCoroTask>
#include <QLabel>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::testing {

namespace {

const QString noSpanText = u"No active session yet — the window starts with your next request."_s;

struct Dashboard {
    AppModelFixture fixture;
    ViewServices services = fixture.viewServices();
    DashboardWindow window{services, {}};

    DashboardView& view() const { return *window.view(); }
    ProviderDashboardCard& card(ProviderService service) const
    {
        for (ProviderDashboardCard* card : view().cards()) {
            if (card->service() == service)
                return *card;
        }
        qFatal("no card for the service");
    }
    QString tableText(int row, int column) const
    {
        const AllWindowsModel& model = *view().table()->windowsModel();
        return model.data(model.index(row, column)).toString();
    }
    bool showsText(const QWidget& scope, const QString& text) const
    {
        const auto labels = scope.findChildren<QLabel*>();
        return std::any_of(labels.begin(), labels.end(), [&](const QLabel* label) {
            return label->text() == text && label->isVisibleTo(&window);
        });
    }
};

UsageWindowSample window(const QString& bucket, Instant observedAt, QStringView used)
{
    return {.id = bucket,
            .providerBucketID = bucket,
            .windowKind = UsageWindowKind::fiveHour,
            .observedAt = observedAt,
            .usedFraction = Decimal::fromString(used),
            .source = {u"codex-app-server"_s, u"Codex app-server"_s, true}};
}

void answerWith(FakeProvider& provider, QList<UsageWindowSample> windows)
{
    ProviderCollectionResult result;
    result.windows = std::move(windows);
    provider.setCollection(result);
}

} // namespace

class TestDashboard : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void mainWindowSpan_data()
    {
        QTest::addColumn<bool>("hasReset");
        QTest::addColumn<bool>("hasDuration");
        QTest::addColumn<QString>("used");
        QTest::addColumn<QString>("countdown");
        QTest::addColumn<QString>("tableReset");
        QTest::addColumn<bool>("noSpan");
        QTest::newRow("no reset") << false << true << u"0.4"_s << u"Unknown"_s << u"Unknown"_s << true;
        QTest::newRow("nothing used, no reset")
            << false << false << u"0"_s << u"Unknown"_s << u"Not started"_s << true;
        QTest::newRow("reset without length")
            << true << false << u"0.4"_s << u"Not started"_s << u"in 1 hr."_s << true;
        QTest::newRow("whole span") << true << true << u"0.4"_s << u"1 hr"_s << u"in 1 hr."_s << false;
    }
    void mainWindowSpan()
    {
        QFETCH(bool, hasReset);
        QFETCH(bool, hasDuration);
        QFETCH(QString, used);
        Dashboard dashboard;
        const Instant now = dashboard.fixture.clock.current();
        UsageWindowSample only = window(u"primary"_s, now, used);
        if (hasReset)
            only.resetAt = now.addingSeconds(3600);
        if (hasDuration)
            only.durationSeconds = 18'000;
        answerWith(*dashboard.fixture.codex, {only});
        dashboard.fixture.refresh();

        const ProviderDashboardCard& card = dashboard.card(ProviderService::codex);
        QCOMPARE(card.content(), ProviderDashboardCard::Content::usage);
        QTEST(card.findChild<CountdownTimeline*>()->countdown(), "countdown");
        QTEST(dashboard.tableText(0, AllWindowsModel::reset), "tableReset");
        QTEST(dashboard.showsText(card, noSpanText), "noSpan");
    }

    void tableListsNewestObservationPerBucket()
    {
        Dashboard dashboard;
        const Instant now = dashboard.fixture.clock.current();
        answerWith(*dashboard.fixture.codex,
                   {window(u"primary"_s, now.addingSeconds(-60), u"0.2"), window(u"primary"_s, now, u"0.35"),
                    window(u"other"_s, now, u"0.5")});
        dashboard.fixture.claude->setCollection({});
        dashboard.fixture.refresh();

        QCOMPARE(dashboard.view().table()->windowsModel()->rowCount(), 2);
        // Same kind, so the bucket id orders them: "other" before "primary".
        QCOMPARE(dashboard.tableText(1, AllWindowsModel::consumed), u"35%"_s);
        QCOMPARE(dashboard.tableText(1, AllWindowsModel::remaining), u"65%"_s);
    }

    void chartNeedsHistory()
    {
        Dashboard dashboard;
        dashboard.fixture.refresh();
        QVERIFY(!dashboard.view().chart()->isShowingChart());
        QVERIFY(dashboard.showsText(*dashboard.view().chart(), u"No History Yet"_s));

        const Instant now = dashboard.fixture.clock.current();
        for (ProviderService service : allCases<ProviderService>())
            dashboard.fixture.provider(service).setCollection(RealisticUsage::collection(service, now));
        dashboard.fixture.refresh();
        QVERIFY(dashboard.view().chart()->isShowingChart());
        QCOMPARE(dashboard.view().chart()->chart()->series().size(), 2);
    }

    void backoffShowsRetryTime()
    {
        Dashboard dashboard;
        dashboard.fixture.codex->setCollection(RealisticUsage::failure());
        dashboard.fixture.refresh();
        dashboard.fixture.clock.advance(10);
        QCoro::waitFor(dashboard.fixture.model->refresh(RefreshTrigger::scheduled));

        const ProviderDashboardCard& card = dashboard.card(ProviderService::codex);
        QCOMPARE(card.content(), ProviderDashboardCard::Content::backoff);
        QVERIFY(
            dashboard.showsText(card, u"The last refresh failed. Retrying in 20 sec. — or refresh now."_s));
    }

    void connectionNotices_data()
    {
        QTest::addColumn<ProviderConnectionStatus>("status");
        QTest::addColumn<QString>("badge");
        QTest::newRow("not installed") << ProviderConnectionStatus::notInstalled << u"Not installed"_s;
        QTest::newRow("signed out") << ProviderConnectionStatus::signedOut << u"Sign-in required"_s;
    }
    void connectionNotices()
    {
        QFETCH(ProviderConnectionStatus, status);
        Dashboard dashboard;
        dashboard.fixture.authentication->setStatus({ProviderService::codex, status, std::nullopt});
        dashboard.fixture.refresh();

        const ProviderDashboardCard& card = dashboard.card(ProviderService::codex);
        QCOMPARE(card.content(), ProviderDashboardCard::Content::signIn);
        QVERIFY(dashboard.showsText(card, u"Sign in to access this account's usage."_s));
        QTEST(card.findChild<ProviderConnectionBadge*>()->text(), "badge");
        // What the button says for each state is the button's own suite's.
        QVERIFY(card.findChild<ProviderConnectionButton*>()->isVisibleTo(&dashboard.window));
    }
};

} // namespace tallyvane::testing

QTEST_MAIN(tallyvane::testing::TestDashboard)
#include "TestDashboard.moc"
