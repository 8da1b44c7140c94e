#include <TallyvaneUI/UsageForecast.h>
#include <TallyvaneUI/UsagePaceTracker.h>

#include <QTest>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

namespace {

const Instant now = Instant::fromSecondsSince1970(1'780'000'000.0);

Instant minutesFromNow(double minutes)
{
    return now.addingSeconds(minutes * 60);
}

// A window read now; `start` and `duration` in minutes, absent when negative.
UsageWindowSample window(double used, double resetIn, double duration, double start = -1)
{
    UsageWindowSample sample;
    sample.providerBucketID = u"five_hour"_s;
    sample.observedAt = now;
    sample.usedFraction = Decimal::fromDouble(used);
    if (resetIn > -1000)
        sample.resetAt = minutesFromNow(resetIn);
    if (duration >= 0)
        sample.durationSeconds = static_cast<std::int64_t>(duration * 60);
    if (start >= 0)
        sample.windowStart = minutesFromNow(-start);
    return sample;
}

// "minutesAgo=fraction ..." oldest first; a negative age lies in the future.
QList<UsagePaceSample> readings(const QString& text)
{
    QList<UsagePaceSample> result;
    for (const QString& token : text.split(u' ', Qt::SkipEmptyParts))
        result.append(
            {minutesFromNow(-token.section(u'=', 0, 0).toDouble()), token.section(u'=', 1).toDouble()});
    return result;
}

// "none", "too early", "on pace 50" (whole percent at the reset) or "runs out 94" (minutes from now).
QString describe(const std::optional<UsageForecast>& forecast)
{
    if (!forecast)
        return u"none"_s;
    switch (forecast->pace) {
    case UsagePace::tooEarly:
        return u"too early"_s;
    case UsagePace::onPace:
        return u"on pace %1"_s.arg(qRound(forecast->projectedFraction * 100));
    case UsagePace::runsOut:
        break;
    }
    return u"runs out %1"_s.arg(qRound(forecast->runsOutAt->secondsSince(now) / 60));
}

} // namespace

class TestUsageForecast : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void forecast_data()
    {
        QTest::addColumn<UsageWindowSample>("window");
        QTest::addColumn<QString>("earlier");
        QTest::addColumn<QString>("expected");
        // Five-hour windows with two hours left unless a row says otherwise.
        QTest::newRow("steady use, average since the start from the duration")
            << window(0.30, 120, 300) << u""_s << u"on pace 50"_s;
        QTest::newRow("steady use, average since a reported start")
            << window(0.30, 120, -1, 180) << u""_s << u"on pace 50"_s;
        QTest::newRow("steady readings agree with the average")
            << window(0.30, 120, 300) << u"60=0.20 30=0.25"_s << u"on pace 50"_s;
        QTest::newRow("a burst in the last hour runs out although the average lasts")
            << window(0.60, 120, 300) << u"170=0.10 120=0.15 60=0.20"_s << u"runs out 94"_s;
        QTest::newRow("readings closer than ten minutes fall back to the average")
            << window(0.57, 120, 300) << u"5=0.20"_s << u"on pace 95"_s;
        QTest::newRow("a correction downwards restarts the rate")
            << window(0.12, 120, 300) << u"60=0.40 30=0.45 20=0.10"_s << u"on pace 24"_s;
        QTest::newRow("readings of the last period are left out")
            << window(0.30, 120, 300) << u"200=0.90 190=0.95"_s << u"on pace 50"_s;
        QTest::newRow("a reset that has passed: the reading is of the old period")
            << window(0.80, -5, 300) << u"60=0.50"_s << u"none"_s;
        QTest::newRow("too early: under 5 % of the window and no readings")
            << window(0.02, 290, 300) << u""_s << u"too early"_s;
        QTest::newRow("early, but two readings ten minutes apart tell")
            << window(0.06, 290, 300) << u"10=0.02"_s << u"runs out 235"_s;
        QTest::newRow("neither start nor duration, no readings")
            << window(0.30, 120, -1) << u""_s << u"too early"_s;
        QTest::newRow("neither start nor duration, readings tell")
            << window(0.30, 120, -1) << u"30=0.25"_s << u"on pace 50"_s;
        QTest::newRow("the clock went back: readings from the future are left out")
            << window(0.30, 120, 300) << u"-30=0.95 -20=0.99"_s << u"on pace 50"_s;
        QTest::newRow("no reset time") << window(0.30, -2000, 300) << u""_s << u"none"_s;
        QTest::newRow("already used up") << window(1.0, 120, 300) << u"60=0.80"_s << u"none"_s;
    }
    void forecast()
    {
        QFETCH(UsageWindowSample, window);
        QFETCH(QString, earlier);
        QFETCH(QString, expected);
        const std::optional<UsageForecast> forecast = UsageForecast::of(window, readings(earlier), now);
        QCOMPARE(describe(forecast), expected);
        if (forecast && forecast->pace == UsagePace::runsOut)
            QVERIFY(forecast->secondsBeforeReset() > 0);
    }

    void windowWithoutShareHasNone()
    {
        UsageWindowSample sample = window(0.3, 120, 300);
        sample.usedFraction.reset();
        QCOMPARE(describe(UsageForecast::of(sample, {}, now)), u"none"_s);
        sample.remainingFraction = Decimal::fromDouble(0.7); // the share every surface shows
        QCOMPARE(describe(UsageForecast::of(sample, {}, now)), u"on pace 50"_s);
    }

    void trackerKeepsOnePeriodOfBoundedReadings()
    {
        UsagePaceTracker tracker;
        ProviderViewState state;
        state.descriptor.id = u"claude"_s;
        state.availability = ProviderAvailability::available;
        const auto publishAt = [&](double minutes, double used, double resetIn) {
            UsageWindowSample sample = window(used, resetIn, 300);
            sample.observedAt = minutesFromNow(minutes);
            sample.resetAt = minutesFromNow(minutes + resetIn);
            state.windows = {sample};
            QList<ProviderViewState> providers{state};
            tracker.track(providers, minutesFromNow(minutes));
            return providers.first();
        };
        const auto count = [&] { return tracker.readings(u"claude"_s, u"five_hour"_s).size(); };

        QCOMPARE(describe(publishAt(0, 0.30, 120).forecast(state.windows.first())), u"on pace 50"_s);
        publishAt(0, 0.30, 120); // the same reading published again
        QCOMPARE(count(), 1);
        // The burst shows once a second reading is far enough away.
        QVERIFY(publishAt(20, 0.50, 100).forecast(state.windows.first())->pace == UsagePace::runsOut);
        for (int minute = 21; minute < 100; ++minute)
            publishAt(minute, 0.5, 120 - minute);
        QCOMPARE(count(), UsagePaceTracker::readingsPerWindow);

        publishAt(110, 0.01, 300); // a new period, before the old reset time passed
        QCOMPARE(count(), 1);
        state.availability = ProviderAvailability::authenticationRequired;
        publishAt(120, 0.01, 290);
        QCOMPARE(count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestUsageForecast)
#include "TestUsageForecast.moc"
