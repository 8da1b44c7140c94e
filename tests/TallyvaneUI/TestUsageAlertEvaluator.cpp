#include <TallyvaneUI/UsageAlertEvaluator.h>

#include <QTest>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

namespace {

struct Step {
    bool enabled = true;
    QList<double> thresholds{0.5, 0.75, 0.9, 0.95};
    QList<UsageAlertSample> samples;
    UsageAlertEvaluator::Unobserved unobserved;
    QString forgotten;
};

// Space-separated tokens: "off" turns alerts off, "t=0.75,0.9" sets the thresholds,
// "?provider@now" marks a provider this refresh could not observe, "-provider" forgets one
// before the step, and "[provider/]bucket=fraction[@resetAt]" is one window.
Step step(const QString& text)
{
    Step result;
    for (const QString& token : text.split(u' ', Qt::SkipEmptyParts)) {
        if (token == "off"_L1) {
            result.enabled = false;
        } else if (token.startsWith(u'?')) {
            result.unobserved.providerIDs.insert(token.mid(1).section(u'@', 0, 0));
            result.unobserved.now = Instant::fromSecondsSince1970(token.section(u'@', 1).toDouble());
        } else if (token.startsWith(u'-')) {
            result.forgotten = token.mid(1);
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
        const QString window = event.sample.providerID == "p"_L1
                                   ? event.sample.bucketID
                                   : event.sample.providerID + u'/' + event.sample.bucketID;
        parts.append(
            window + u':' +
            (event.kind == UsageAlertEventKind::reset ? u"reset"_s : QString::number(event.percentage)));
    }
    return parts.join(u' ');
}

} // namespace

class TestUsageAlertEvaluator : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sequences_data()
    {
        QTest::addColumn<bool>("notifiesOnReset");
        QTest::addColumn<QString>("steps");    // one step per ';'
        QTest::addColumn<QString>("expected"); // the events of each step, per ';'
        const auto row = [](const char* name, bool resets, const QString& steps, const QString& expected) {
            QTest::newRow(name) << resets << steps << expected;
        };

        row("first observation silent, then the new 95 only", false, u"a=0.93;a=0.96"_s, u";a:95"_s);
        row("first observation acknowledges what it crossed", false, u"a=0.93;a=0.93"_s, u";"_s);
        row("a jump over several thresholds: the highest", false, u"a=0.40;a=0.92"_s, u";a:90"_s);
        row("a threshold reached at exactly its value", false, u"a=0.70;a=0.75"_s, u";a:75"_s);
        row("announced once per period", false, u"a=0.4;a=0.6;a=0.45;a=0.6"_s, u";a:50;;"_s);
        row("new reset time: reset, re-armed", true, u"a=0.80@100;a=0.10@200;a=0.55@200"_s,
            u";a:reset;a:50"_s);
        row("resets off: silent, still re-arms", false, u"a=0.80@100;a=0.10@200;a=0.55@200"_s, u";;a:50"_s);
        row("drop 0.25 to 0.05, same reset time", true, u"a=0.25@100;a=0.05@100"_s, u";a:reset"_s);
        row("drop 0.25 to 0.05 without reset times", true, u"a=0.25;a=0.05"_s, u";a:reset"_s);
        row("drop from exactly 0.2", true, u"a=0.2;a=0.05"_s, u";a:reset"_s);
        row("drop from 0.15 to 0.01 is no reset", true, u"a=0.15;a=0.01"_s, u";"_s);
        row("drop from 0.25 to 0.06 is no reset", true, u"a=0.25;a=0.06"_s, u";"_s);
        row("drop reset re-arms thresholds", false, u"a=0.6;a=0.02;a=0.55"_s, u";;a:50"_s);
        row("reset time moving by a fraction of a second", true, u"a=0.6@100;a=0.6@100.25"_s, u";a:reset"_s);
        row("reset time appearing or disappearing", true, u"a=0.6;a=0.6@100;a=0.6"_s, u";;"_s);
        row("already reached in the new period", true, u"a=0.8@100;a=0.6@200;a=0.7@200;a=0.8@200"_s,
            u";a:reset;;a:75"_s);
        row("a disabled threshold", false, u"t=0.75,0.9,0.95 a=0.4;t=0.75,0.9,0.95 a=0.55;a=0.6"_s, u";;"_s);
        row("a re-enabled threshold newly reached", false, u"t=0.75,0.9,0.95 a=0.4;a=0.55"_s, u";a:50"_s);
        row("thresholds in any order", false, u"t=0.95,0.5,0.9 a=0.1;t=0.95,0.5,0.9 a=0.91"_s, u";a:90"_s);
        // Off posts nothing and forgets, so the next observation is a silent first one.
        row("master switch off and on", false, u"a=0.4 b=0.2;off a=0.9 b=0.9;a=0.95 b=0.3"_s, u";;"_s);
        row("a window that disappears is new again", false, u"a=0.4 b=0.4;b=0.4;a=0.6 b=0.6"_s, u";;b:50"_s);
        row("events in sample order", false, u"a=0.1 b=0.1;b=0.8 a=0.6"_s, u";b:75 a:50"_s);
        row("same bucket of two providers", false, u"x/a=0.1 y/a=0.7;x/a=0.6 y/a=0.1"_s, u";x/a:50"_s);
        row("kept through a refresh that failed", false, u"a=0.7@1000;?p@500;a=0.92@1000"_s, u";;a:90"_s);
        row("kept, the highest enabled one", false,
            u"t=0.5,0.75 a=0.7@1000;t=0.5,0.75 ?p@500;t=0.5,0.75 a=0.92@1000"_s, u";;a:75"_s);
        row("kept without a reset time", false, u"a=0.7;?p@5000;?p@9000;a=0.92"_s, u";;;a:90"_s);
        row("kept until its reset time passes", false, u"a=0.7@1000;?p@1000;a=0.92@2000"_s, u";;"_s);
        row("kept only for the provider not observed", false, u"x/a=0.7 y/a=0.7;?x@0;x/a=0.92 y/a=0.92"_s,
            u";;x/a:90"_s);
        row("a signed-out provider is forgotten", false, u"x/a=0.7 y/a=0.7;-x x/a=0.92 y/a=0.92"_s,
            u";y/a:90"_s);
    }

    void sequences()
    {
        QFETCH(bool, notifiesOnReset);
        QFETCH(QString, steps);
        QFETCH(QString, expected);
        const QStringList stepTexts = steps.split(u';');
        const QStringList expectedEvents = expected.split(u';');
        QCOMPARE(stepTexts.size(), expectedEvents.size());

        UsageAlertEvaluator evaluator;
        for (qsizetype i = 0; i < stepTexts.size(); ++i) {
            const Step current = step(stepTexts[i]);
            if (!current.forgotten.isEmpty())
                evaluator.forgetProvider(current.forgotten);
            const QString events = describe(evaluator.evaluate(
                current.samples, current.enabled, current.thresholds, notifiesOnReset, current.unobserved));
            QVERIFY2(events == expectedEvents[i],
                     qPrintable(u"step %1 (%2): got \"%3\""_s.arg(i).arg(stepTexts[i], events)));
        }
    }
};

QTEST_GUILESS_MAIN(TestUsageAlertEvaluator)
#include "TestUsageAlertEvaluator.moc"
