#include <FakeNotificationServer.h>
#include <Platform/DesktopNotifications.h>
#include <TallyvaneUI/Preferences.h>
#include <TallyvaneUI/UsageNotifications.h>
#include <TallyvaneUI/UsagePaceAlerts.h>

#include <QCoroTask>
#include <QTemporaryDir>
#include <QTest>

using namespace tallyvane;
using namespace tallyvane::testing;
using namespace Qt::Literals::StringLiterals;

namespace {

Instant at(double minutes)
{
    return Instant::fromSecondsSince1970(1'780'000'000.0 + minutes * 60);
}

struct Step {
    bool enabled = true;
    bool forgets = false;
    Instant now = at(0);
    QList<UsageAlertSample> samples;
};

// Space-separated tokens: "off" turns the warnings off, "-" forgets the provider first,
// "@minute" sets the clock, and "bucket:runsOut/reset" (minutes; "-" for a window that lasts) is one window.
Step step(const QString& text)
{
    Step result;
    for (const QString& token : text.split(u' ', Qt::SkipEmptyParts)) {
        if (token == "off"_L1) {
            result.enabled = false;
        } else if (token == "-"_L1) {
            result.forgets = true;
        } else if (token.startsWith(u'@')) {
            result.now = at(token.mid(1).toDouble());
        } else {
            UsageAlertSample sample{u"claude"_s, u"Claude"_s, token.section(u':', 0, 0), u"Session"_s, 0.5};
            const QString runsOut = token.section(u':', 1).section(u'/', 0, 0);
            if (runsOut != "-"_L1)
                sample.runsOutAt = at(runsOut.toDouble());
            sample.resetAt = at(token.section(u'/', 1).toDouble());
            result.samples.append(sample);
        }
    }
    return result;
}

ProviderViewState claudeRunningOut(Instant now, UsagePace pace = UsagePace::runsOut)
{
    UsageWindowSample window;
    window.providerBucketID = u"five_hour"_s;
    window.windowKind = UsageWindowKind::fiveHour;
    window.observedAt = now;
    window.usedFraction = Decimal::fromDouble(0.7);
    window.resetAt = now.addingSeconds(7200);
    ProviderViewState state;
    state.descriptor = ProviderDescriptor{u"app.tallyvane.claude.subscription"_s, u"Claude"_s, std::nullopt};
    state.availability = ProviderAvailability::available;
    state.windows = {window};
    state.forecasts.insert(u"five_hour"_s,
                           UsageForecast{pace, 0.25, 1.2, now.addingSeconds(4320), *window.resetAt});
    if (pace != UsagePace::runsOut)
        state.forecasts[u"five_hour"_s].runsOutAt.reset();
    return state;
}

} // namespace

Q_DECLARE_METATYPE(tallyvane::UsagePace)

class TestUsagePaceAlerts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void oncePerWindowAndPeriod_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("warned"); // the buckets warned about, per step
        QTest::newRow("first sighting warns, then not again in the period")
            << QStringList{u"a:60/120"_s, u"@10 a:50/120"_s, u"@20 a:70/120"_s}
            << QStringList{u"a"_s, u""_s, u""_s};
        QTest::newRow("a new period warns again")
            << QStringList{u"a:60/120"_s, u"@130 a:200/300"_s} << QStringList{u"a"_s, u"a"_s};
        QTest::newRow("under a quarter hour before the reset is not worth it; exactly one is")
            << QStringList{u"a:110/120"_s, u"a:105.5/120"_s, u"a:105/120"_s}
            << QStringList{u""_s, u""_s, u"a"_s};
        QTest::newRow("back on pace and out again within a period: once")
            << QStringList{u"a:60/120"_s, u"a:-/120"_s, u"a:60/120"_s} << QStringList{u"a"_s, u""_s, u""_s};
        QTest::newRow("switched off forgets, so switching on warns again")
            << QStringList{u"a:60/120"_s, u"off a:60/120"_s, u"a:60/120"_s}
            << QStringList{u"a"_s, u""_s, u"a"_s};
        QTest::newRow("a sign-out forgets")
            << QStringList{u"a:60/120"_s, u"- a:60/120"_s} << QStringList{u"a"_s, u"a"_s};
        QTest::newRow("each window once")
            << QStringList{u"a:60/120 b:30/300"_s, u"a:60/120 b:40/300"_s} << QStringList{u"a b"_s, u""_s};
    }
    void oncePerWindowAndPeriod()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, warned);
        UsagePaceAlerts alerts;
        for (qsizetype index = 0; index < steps.size(); ++index) {
            const Step current = step(steps[index]);
            if (current.forgets)
                alerts.forgetProvider(u"claude"_s);
            QStringList buckets;
            for (const UsageAlertEvent& event :
                 alerts.evaluate(current.samples, current.enabled, current.now)) {
                QCOMPARE(event.kind, UsageAlertEventKind::pace);
                buckets.append(event.sample.bucketID);
            }
            QCOMPARE(buckets.join(u' '), warned[index]);
        }
    }

    void switchIsOnUnlessStoredOff()
    {
        QTemporaryDir directory;
        Preferences preferences(directory.filePath(u"preferences.json"_s));
        QVERIFY(UsageAlertSettings::read(preferences).paceWarnings);
        QVERIFY(preferences.setPaceWarnings(false));
        QVERIFY(
            !UsageAlertSettings::read(Preferences(directory.filePath(u"preferences.json"_s))).paceWarnings);
    }

    void postsTheWarningOverDBus_data()
    {
        QTest::addColumn<bool>("switchOn");
        QTest::addColumn<UsagePace>("pace");
        QTest::addColumn<int>("posts");
        QTest::newRow("runs out") << true << UsagePace::runsOut << 1;
        QTest::newRow("on pace") << true << UsagePace::onPace << 0;
        QTest::newRow("switch off") << false << UsagePace::runsOut << 0;
    }
    void postsTheWarningOverDBus()
    {
        QFETCH(bool, switchOn);
        QFETCH(UsagePace, pace);
        QFETCH(int, posts);
        FakeNotificationServer server;
        QVERIFY(server.start());
        UsageAlertSettings settings;
        settings.enabled = true;
        settings.paceWarnings = switchOn;
        UsageNotificationController controller(std::make_shared<DesktopNotifications>(),
                                               [&] { return settings; });
        QCoro::waitFor(controller.refreshPermission());
        const Instant now = at(0);
        QCoro::waitFor(controller.evaluate({claudeRunningOut(now, pace)}, now));
        QCoro::waitFor(controller.evaluate({claudeRunningOut(now, pace)}, now.addingSeconds(60)));

        QCOMPARE(server.calls().size(), posts);
        if (posts == 0)
            return;
        const FakeNotificationServer::Call& call = server.calls().first();
        QCOMPARE(call.summary, u"Claude is on pace to run out"_s);
        QCOMPARE(call.body, u"At this pace Session runs out in 1 hr, 12 min. It resets in 2 hr."_s);
        QVERIFY(call.hints.value(u"x-tallyvane-identifier"_s).toString().startsWith("usage."_L1));
    }
};

QTEST_GUILESS_MAIN(TestUsagePaceAlerts)
#include "TestUsagePaceAlerts.moc"
