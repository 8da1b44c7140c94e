#include <TallyvaneUI/UsageAlertEvaluator.h>

#include <QTest>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

class TestUsageAlertEvaluator : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sequences_data();
    void sequences();
    void firstObservationAcknowledgesCrossedThresholds();
    void masterSwitchOffForgetsEveryWindow();
    void eventsCarryTheSample();
};

namespace {

const QList<double> allThresholds{0.5, 0.75, 0.9, 0.95};

struct Step {
    bool enabled = true;
    QList<double> thresholds = allThresholds;
    QList<UsageAlertSample> samples;
};

// Space-separated tokens: "off" turns alerts off, "t=0.75,0.9" sets the thresholds, and
// "[provider/]bucket=fraction[@resetAt]" is one window.
Step step(const QString& text)
{
    Step result;
    for (const QString& token : text.split(u' ', Qt::SkipEmptyParts)) {
        if (token == "off"_L1) {
            result.enabled = false;
        } else if (token.startsWith("t="_L1)) {
            result.thresholds.clear();
            for (const QString& value : token.mid(2).split(u',', Qt::SkipEmptyParts))
                result.thresholds.append(value.toDouble());
        } else {
            const QString window = token.section(u'=', 0, 0);
            const QString value = token.section(u'=', 1);
            UsageAlertSample sample;
            sample.providerID = window.contains(u'/') ? window.section(u'/', 0, 0) : u"p"_s;
            sample.bucketID = window.section(u'/', -1);
            sample.providerName = sample.providerID;
            sample.windowName = sample.bucketID;
            sample.usedFraction = value.section(u'@', 0, 0).toDouble();
            if (value.contains(u'@'))
                sample.resetAt = Instant::fromSecondsSince1970(value.section(u'@', 1).toDouble());
            result.samples.append(sample);
        }
    }
    return result;
}

// "bucket:90" or "bucket:reset", space-separated, in event order.
QString describe(const QList<UsageAlertEvent>& events)
{
    QStringList parts;
    for (const UsageAlertEvent& event : events) {
        QString window = event.sample.providerID == "p"_L1
                             ? event.sample.bucketID
                             : event.sample.providerID + u'/' + event.sample.bucketID;
        parts.append(
            window + u':' +
            (event.kind == UsageAlertEventKind::reset ? u"reset"_s : QString::number(event.percentage)));
    }
    return parts.join(u' ');
}

} // namespace

void TestUsageAlertEvaluator::sequences_data()
{
    QTest::addColumn<bool>("notifiesOnReset");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("first observation is silent, then the newly crossed 95 only")
        << false << QStringList{u"a=0.93"_s, u"a=0.96"_s} << QStringList{u""_s, u"a:95"_s};
    QTest::newRow("a jump over several thresholds announces the highest")
        << false << QStringList{u"a=0.40"_s, u"a=0.92"_s} << QStringList{u""_s, u"a:90"_s};
    QTest::newRow("a threshold is reached at exactly its value")
        << false << QStringList{u"a=0.70"_s, u"a=0.75"_s} << QStringList{u""_s, u"a:75"_s};
    QTest::newRow("announced once per period")
        << false << QStringList{u"a=0.4"_s, u"a=0.6"_s, u"a=0.45"_s, u"a=0.6"_s}
        << QStringList{u""_s, u"a:50"_s, u""_s, u""_s};
    QTest::newRow("changed reset time: reset, then thresholds re-armed")
        << true << QStringList{u"a=0.80@100"_s, u"a=0.10@200"_s, u"a=0.55@200"_s}
        << QStringList{u""_s, u"a:reset"_s, u"a:50"_s};
    QTest::newRow("reset not announced when resets are off, still re-arms")
        << false << QStringList{u"a=0.80@100"_s, u"a=0.10@200"_s, u"a=0.55@200"_s}
        << QStringList{u""_s, u""_s, u"a:50"_s};
    QTest::newRow("drop from 0.25 to 0.05 with the same reset time is a reset")
        << true << QStringList{u"a=0.25@100"_s, u"a=0.05@100"_s} << QStringList{u""_s, u"a:reset"_s};
    QTest::newRow("drop from 0.25 to 0.05 without reset times is a reset")
        << true << QStringList{u"a=0.25"_s, u"a=0.05"_s} << QStringList{u""_s, u"a:reset"_s};
    QTest::newRow("drop from exactly 0.2 is a reset")
        << true << QStringList{u"a=0.2"_s, u"a=0.05"_s} << QStringList{u""_s, u"a:reset"_s};
    QTest::newRow("drop from 0.15 to 0.01 is not a reset")
        << true << QStringList{u"a=0.15"_s, u"a=0.01"_s} << QStringList{u""_s, u""_s};
    QTest::newRow("drop from 0.25 to 0.06 is not a reset")
        << true << QStringList{u"a=0.25"_s, u"a=0.06"_s} << QStringList{u""_s, u""_s};
    QTest::newRow("drop reset re-arms thresholds")
        << false << QStringList{u"a=0.6"_s, u"a=0.02"_s, u"a=0.55"_s} << QStringList{u""_s, u""_s, u"a:50"_s};
    QTest::newRow("a reset time moving by a fraction of a second is a reset")
        << true << QStringList{u"a=0.6@100"_s, u"a=0.6@100.25"_s} << QStringList{u""_s, u"a:reset"_s};
    QTest::newRow("a reset time appearing or disappearing is not a reset")
        << true << QStringList{u"a=0.6"_s, u"a=0.6@100"_s, u"a=0.6"_s} << QStringList{u""_s, u""_s, u""_s};
    QTest::newRow("thresholds the new period already reached are not announced")
        << true << QStringList{u"a=0.8@100"_s, u"a=0.6@200"_s, u"a=0.7@200"_s, u"a=0.8@200"_s}
        << QStringList{u""_s, u"a:reset"_s, u""_s, u"a:75"_s};
    QTest::newRow("a disabled threshold yields nothing")
        << false << QStringList{u"t=0.75,0.9,0.95 a=0.4"_s, u"t=0.75,0.9,0.95 a=0.55"_s, u"a=0.6"_s}
        << QStringList{u""_s, u""_s, u""_s};
    QTest::newRow("a re-enabled threshold counts when newly reached")
        << false << QStringList{u"t=0.75,0.9,0.95 a=0.4"_s, u"a=0.55"_s} << QStringList{u""_s, u"a:50"_s};
    QTest::newRow("thresholds given in any order")
        << false << QStringList{u"t=0.95,0.5,0.9 a=0.1"_s, u"t=0.95,0.5,0.9 a=0.91"_s}
        << QStringList{u""_s, u"a:90"_s};
    QTest::newRow("master switch off and on: the next observation is silent")
        << false << QStringList{u"a=0.4"_s, u"off a=0.6"_s, u"a=0.8"_s} << QStringList{u""_s, u""_s, u""_s};
    QTest::newRow("a window that disappears is observed afresh")
        << false << QStringList{u"a=0.4 b=0.4"_s, u"b=0.4"_s, u"a=0.6 b=0.6"_s}
        << QStringList{u""_s, u""_s, u"b:50"_s};
    QTest::newRow("events come in sample order")
        << false << QStringList{u"a=0.1 b=0.1"_s, u"b=0.8 a=0.6"_s} << QStringList{u""_s, u"b:75 a:50"_s};
    QTest::newRow("the same bucket of two providers is two windows")
        << false << QStringList{u"x/a=0.1 y/a=0.7"_s, u"x/a=0.6 y/a=0.1"_s}
        << QStringList{u""_s, u"x/a:50"_s};
}

void TestUsageAlertEvaluator::sequences()
{
    QFETCH(bool, notifiesOnReset);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, expected);
    QCOMPARE(steps.size(), expected.size());

    UsageAlertEvaluator evaluator;
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const Step current = step(steps[i]);
        const QList<UsageAlertEvent> events =
            evaluator.evaluate(current.samples, current.enabled, current.thresholds, notifiesOnReset);
        QVERIFY2(describe(events) == expected[i],
                 qPrintable(u"step %1 (%2): got \"%3\""_s.arg(i).arg(steps[i], describe(events))));
    }
}

void TestUsageAlertEvaluator::firstObservationAcknowledgesCrossedThresholds()
{
    UsageAlertEvaluator evaluator;
    const Step first = step(u"a=0.93@100"_s);
    QVERIFY(evaluator.evaluate(first.samples, true, allThresholds, true).isEmpty());

    const auto state = evaluator.states().value({u"p"_s, u"a"_s});
    QCOMPARE(state.usedFraction, 0.93);
    QCOMPARE(state.resetAt, Instant::fromSecondsSince1970(100));
    QCOMPARE(state.acknowledgedThresholds, (QSet<int>{50, 75, 90}));
}

void TestUsageAlertEvaluator::masterSwitchOffForgetsEveryWindow()
{
    UsageAlertEvaluator evaluator;
    const Step windows = step(u"a=0.4 b=0.2"_s);
    evaluator.evaluate(windows.samples, true, allThresholds, false);
    QCOMPARE(evaluator.states().size(), 2);
    QVERIFY(evaluator.evaluate(step(u"a=0.9 b=0.9"_s).samples, false, allThresholds, true).isEmpty());
    QVERIFY(evaluator.states().isEmpty());
}

void TestUsageAlertEvaluator::eventsCarryTheSample()
{
    UsageAlertEvaluator evaluator;
    evaluator.evaluate(step(u"a=0.4@100"_s).samples, true, allThresholds, true);
    const Step rise = step(u"a=0.77@100"_s);
    QCOMPARE(evaluator.evaluate(rise.samples, true, allThresholds, true),
             QList<UsageAlertEvent>{UsageAlertEvent::threshold(rise.samples[0], 75)});
    const Step reset = step(u"a=0.01@200"_s);
    QCOMPARE(evaluator.evaluate(reset.samples, true, allThresholds, true),
             QList<UsageAlertEvent>{UsageAlertEvent::reset(reset.samples[0])});
}

QTEST_GUILESS_MAIN(TestUsageAlertEvaluator)
#include "TestUsageAlertEvaluator.moc"
