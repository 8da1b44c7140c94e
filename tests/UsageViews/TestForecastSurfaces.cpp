#include <Dashboard/CountdownTimeline.h>
#include <Dashboard/ProviderDashboardCard.h>
#include <Dashboard/TimelineBar.h>
#include <Dashboard/WindowRow.h>
#include <MenuBar/CompactProviderCard.h>
#include <MenuBar/StatusToolTip.h>
#include <TallyvaneUI/MenuBarSettings.h>
#include <UsageViews/UsageForecastLabel.h>

#include "AppModelFixture.h"

#include <QDirIterator>
#include <QTest>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

namespace {

// A working day as the model publishes it after one refresh: at the average since each
// window began, Codex's session lasts and Claude's runs out a quarter of an hour early.
struct PublishedDay {
    AppModelFixture fixture;
    ViewServices services = fixture.viewServices();

    PublishedDay()
    {
        fixture.answerRealistically();
        fixture.refresh();
    }
    const ProviderViewState& state(ProviderService service) const
    {
        return *std::ranges::find(fixture.model->providers(), service, &ProviderViewState::service);
    }
};

// "text" of each shown forecast line under `widget`, with "!" for a warning, in layout order.
QStringList forecastLines(const QWidget& widget)
{
    QStringList lines;
    for (const UsageForecastLabel* label : widget.findChildren<UsageForecastLabel*>()) {
        if (!label->isHidden())
            lines.append(label->text() + (label->isWarning() ? u" !"_s : QString()));
    }
    return lines;
}

} // namespace

class TestForecastSurfaces : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void popoverCardAndDashboardCard_data()
    {
        QTest::addColumn<ProviderService>("service");
        QTest::addColumn<QStringList>("popover");
        QTest::addColumn<QStringList>("dashboard"); // the countdown, then each further window
        QTest::addColumn<bool>("projectionWarns");
        QTest::newRow("Codex on pace")
            << ProviderService::codex << QStringList{u"On pace for 44% at reset"_s}
            << QStringList{u"On pace for 44% at reset"_s, u"On pace for 29% at reset"_s} << false;
        QTest::newRow("Claude runs out")
            << ProviderService::claude << QStringList{u"At this pace: runs out in 1 hr, 59 min !"_s}
            << QStringList{u"At this pace: runs out in 1 hr, 59 min !"_s,
                           u"At this pace: runs out in 1 day, 2 hr !"_s,
                           u"At this pace: runs out in 8 hr, 39 min !"_s}
            << true;
    }
    void popoverCardAndDashboardCard()
    {
        QFETCH(ProviderService, service);
        QFETCH(QStringList, popover);
        QFETCH(QStringList, dashboard);
        QFETCH(bool, projectionWarns);
        PublishedDay day;

        CompactProviderCard card(day.services, service);
        card.setState(day.state(service));
        QCOMPARE(forecastLines(card), popover);

        ProviderDashboardCard dashboardCard(day.services, service);
        dashboardCard.setState(day.state(service), day.fixture.clock.current());
        QStringList shown = forecastLines(*dashboardCard.findChild<CountdownTimeline*>());
        for (const WindowRow* row : dashboardCard.findChildren<WindowRow*>())
            shown += forecastLines(*row);
        QCOMPARE(shown, dashboard);

        const std::optional<TimelineBar::Projection> projection =
            dashboardCard.findChild<TimelineBar*>()->projection();
        QVERIFY(projection);
        QCOMPARE(projection->runsOutFraction.has_value(), projectionWarns);
        if (projectionWarns) // 1 hr, 59 min of the 2 hr, 15 min left, in a five-hour window
            QCOMPARE(qRound(*projection->runsOutFraction * 1000), qRound((9'900.0 + 7'169) / 18'000 * 1000));
    }

    void tooltipNamesTheFirstShownWindowsForecast()
    {
        PublishedDay day;
        const QStringList lines =
            StatusToolTip::text(day.fixture.model->providers(),
                                MenuBarSettings::read(day.fixture.preferences), day.fixture.clock.current())
                .split(u'\n');
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines[0].startsWith("Codex"_L1), qPrintable(lines[0]));
        QCOMPARE(lines[1], u"On pace for 44% at reset"_s);
        QVERIFY2(lines[2].startsWith("Claude"_L1), qPrintable(lines[2]));
    }

    void nothingOfItReachesTheDisk()
    {
        const QDateTime started = QDateTime::currentDateTime().addSecs(-1);
        PublishedDay day;
        day.fixture.clock.advance(1200);
        day.fixture.answerRealistically();
        day.fixture.refresh();
        QVERIFY(day.state(ProviderService::claude).forecasts.size() == 3);
        for (const QString& folder : {QDir::homePath(), day.fixture.directory.path(), QDir::tempPath()}) {
            QDirIterator files(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
            while (files.hasNext()) {
                QFile file(files.next());
                if (file.fileTime(QFileDevice::FileModificationTime) < started ||
                    !file.open(QIODevice::ReadOnly))
                    continue;
                const QByteArray content = file.read(1 << 20);
                QVERIFY2(!content.contains("five_hour") && !content.contains("seven_day"),
                         qPrintable(file.fileName()));
            }
        }
    }

    void tooEarlyIsQuietAndNoForecastHidesTheLine()
    {
        UsageForecastLabel label;
        const Instant now = Instant::fromSecondsSince1970(1'780'000'000.0);
        label.setForecast(UsageForecast{UsagePace::tooEarly, 0, 0.01, std::nullopt, now.addingSeconds(600)},
                          now);
        QCOMPARE(label.text(), u"At this pace: too early to tell"_s);
        QVERIFY(!label.isWarning() && !label.isHidden());
        label.setForecast(std::nullopt, now);
        QVERIFY(label.isHidden());
    }
};

QTEST_MAIN(TestForecastSurfaces)
#include "TestForecastSurfaces.moc"
