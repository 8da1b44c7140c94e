// The same windows fed to every surface that shows a percentage: the tray's label and icon, the
// popover card, the dashboard card and table, the alert text, the widget document as the
// status-bar output reads it off the wire. Each must pick the same window and show the same
// whole number.

#include "AppModelFixture.h"

#include <Dashboard/AllWindowsModel.h>
#include <Dashboard/ProviderDashboardCard.h>
#include <MenuBar/CompactProviderCard.h>
#include <MenuBar/StatusIconContent.h>
#include <TallyvaneUI/MenuBarSettings.h>
#include <TallyvaneUI/UsageAlertContent.h>
#include <TallyvaneUI/WidgetSnapshotBuilder.h>
#include <TallyvaneWidget/StatusLineFormatter.h>
#include <UsagePresentation/MenuBarProjection.h>

#include <QApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLocale>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::testing {

namespace {

// "bucket kind observedAt used remaining", a dash for an absent fraction.
QList<UsageWindowSample> windows(const QString& description, Instant now)
{
    QList<UsageWindowSample> result;
    for (const QString& item : description.split(u", "_s)) {
        const QStringList field = item.split(u' ');
        const auto fraction = [](const QString& text) {
            return text == "-"_L1 ? std::nullopt : Decimal::fromString(text);
        };
        result.append(UsageWindowSample{
            .id = u"codex."_s + field[0],
            .connectionID = UsageAppModel::connectionID(ProviderService::codex),
            .providerBucketID = field[0],
            .windowKind = field[1] == "session"_L1  ? UsageWindowKind::fiveHour
                          : field[1] == "weekly"_L1 ? UsageWindowKind::sevenDay
                                                    : UsageWindowKind::custom,
            .observedAt = now.addingSeconds(-field[2].toDouble()),
            .resetAt = now.addingSeconds(3600),
            .usedFraction = fraction(field[3]),
            .remainingFraction = fraction(field[4]),
        });
    }
    return result;
}

QStringList labelTexts(const QWidget& widget)
{
    QStringList texts;
    for (const QLabel* label : widget.findChildren<QLabel*>())
        texts.append(label->text());
    return texts;
}

} // namespace

class TestSurfaceAgreement : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void everySurfaceShowsTheSameNumber_data()
    {
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("bucket"); // the window every surface must pick
        QTest::addColumn<int>("used");
        QTest::addColumn<int>("remaining");
        // Halves that a binary double puts just below the half.
        QTest::newRow("14.5 %") << u"a session 0 0.145 -"_s << u"a"_s << 15 << 86;
        QTest::newRow("28.5 %") << u"a session 0 0.285 -"_s << u"a"_s << 29 << 72;
        QTest::newRow("56.5 %") << u"a session 0 0.565 -"_s << u"a"_s << 57 << 44;
        QTest::newRow("57.5 %") << u"a session 0 0.575 -"_s << u"a"_s << 58 << 43;
        QTest::newRow("12.5 %, even below") << u"a session 0 0.125 -"_s << u"a"_s << 13 << 88;
        QTest::newRow("only the remaining share") << u"a session 0 - 0.675"_s << u"a"_s << 33 << 68;
        QTest::newRow("both shares") << u"a session 0 0.145 0.855"_s << u"a"_s << 15 << 86;
        QTest::newRow("exhausted") << u"a session 0 1 0"_s << u"a"_s << 100 << 0;
        // Which window: the newest session window, else the newest of any kind.
        QTest::newRow("newer of two session buckets")
            << u"a session 300 0.1 -, b session 100 0.565 -, w weekly 0 0.9 -"_s << u"b"_s << 57 << 44;
        QTest::newRow("no session window: the newest")
            << u"w weekly 300 0.285 -, c custom 100 0.145 -"_s << u"c"_s << 15 << 86;
        QTest::newRow("newest session over a newer weekly")
            << u"w weekly 0 0.9 -, s session 500 0.575 -"_s << u"s"_s << 58 << 43;
    }

    void everySurfaceShowsTheSameNumber()
    {
        QFETCH(QString, description);
        QFETCH(QString, bucket);
        QFETCH(int, used);
        QFETCH(int, remaining);
        const QString usedText = QString::number(used) + u'%';
        const QString remainingText = QString::number(remaining) + u'%';

        AppModelFixture fixture;
        const Instant now = fixture.clock.current();
        fixture.codex->setCollection({.provider = fixture.codex->descriptor(),
                                      .collectedAt = now,
                                      .windows = windows(description, now)});
        fixture.claude->setCollection({.provider = fixture.claude->descriptor(), .collectedAt = now});
        fixture.refresh();
        const QList<ProviderViewState> providers = fixture.model->providers();
        QCOMPARE(providers.size(), 2);
        const ProviderViewState& codex = providers[0];

        // The tray: its label and the figure in its icon, in both modes.
        MenuBarConfiguration configuration = MenuBarSettings::read(fixture.preferences);
        configuration.showResetTime = false;
        const QList<ProviderMenuSnapshot> snapshots = fixture.model->menuSnapshots();
        const MenuBarProjection projection =
            MenuBarProjection::project(snapshots, configuration, MenuBarSettings::resetTimeFormat());
        QCOMPARE(projection.entries.value(0).text, usedText);
        QCOMPARE(StatusIconContent::from(projection, snapshots, configuration).percent,
                 QString::number(used));
        configuration.percentageMode = PercentageDisplayMode::remaining;
        QCOMPARE(MenuBarProjection::project(snapshots, configuration, MenuBarSettings::resetTimeFormat())
                     .entries.value(0)
                     .text,
                 remainingText);

        // The popover card: the used figure and what remains.
        const ViewServices services = fixture.viewServices();
        CompactProviderCard card(services, ProviderService::codex);
        card.setState(codex);
        QVERIFY2(labelTexts(card).contains(usedText), qPrintable(labelTexts(card).join(u" | ")));
        QVERIFY2(labelTexts(card).contains(remainingText), qPrintable(labelTexts(card).join(u" | ")));

        // The dashboard card's ring and remaining tile.
        ProviderDashboardCard dashboard(services, ProviderService::codex);
        dashboard.setState(codex, now);
        QVERIFY2(labelTexts(dashboard).contains(remainingText),
                 qPrintable(labelTexts(dashboard).join(u" | ")));
        bool ringShowsIt = false;
        for (const QWidget* child : dashboard.findChildren<QWidget*>())
            ringShowsIt =
                ringShowsIt || child->accessibleName().startsWith(QString::number(used) + u" percent"_s);
        QVERIFY(ringShowsIt);

        // The table's row for that window.
        AllWindowsModel table;
        table.setProviders(providers, now);
        bool tableShowsIt = false;
        for (int row = 0; row < table.rowCount(); ++row) {
            if (table.data(table.index(row, AllWindowsModel::consumed)).toString() == usedText &&
                table.data(table.index(row, AllWindowsModel::remaining)).toString() == remainingText)
                tableShowsIt = true;
        }
        QVERIFY(tableShowsIt);

        // The alert for that window.
        const QList<UsageAlertSample> samples = UsageAlertContent::samples(providers);
        const auto sample = std::ranges::find(samples, bucket, &UsageAlertSample::bucketID);
        QVERIFY(sample != samples.end());
        QCOMPARE(UsageAlertContent::body(UsageAlertEvent::threshold(*sample, 50)),
                 sample->windowName + u" has "_s + usedText + u" used."_s);

        // The widget document as it travels, read by the status-bar output.
        const WidgetUsageSnapshot served =
            WidgetSnapshotBuilder::snapshot(now, providers, fixture.model->connectionStates());
        const std::optional<WidgetUsageSnapshot> received =
            WidgetUsageSnapshot::fromJsonBytes(*served.toJsonBytes());
        QVERIFY(received);
        QCOMPARE(received->providers.value(0).windows.value(0).id, bucket);
        QVERIFY(StatusLineFormatter::text(*received).startsWith(u"Codex "_s + usedText + u" "_s));
        const QJsonObject waybar =
            QJsonDocument::fromJson(StatusLineFormatter::waybar(*received, WidgetDate::now())).object();
        QCOMPARE(waybar.value("percentage"_L1).toInt(-1), used);
    }
};

} // namespace tallyvane::testing

QTEST_MAIN(tallyvane::testing::TestSurfaceAgreement)
#include "TestSurfaceAgreement.moc"
