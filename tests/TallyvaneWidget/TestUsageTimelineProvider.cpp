#include <TallyvaneWidget/SampleSnapshot.h>
#include <TallyvaneWidget/UsageTimelineProvider.h>

#include <QTest>

#include <memory>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

namespace tallyvane::testing {
namespace {

const WidgetDate now = WidgetDate::fromSecondsSinceReferenceDate(800'000'000.25);

// A loader over a counted fetch: a document, or a failure when there is none.
WidgetUsageLoader countingLoader(std::shared_ptr<int> calls, std::optional<WidgetUsageSnapshot> document)
{
    return WidgetUsageLoader(
        [calls, document]() -> QCoro::Task<WidgetUsageLoader::FetchResult> {
            ++*calls;
            if (document)
                co_return *document;
            co_return std::unexpected(WidgetUsageLoaderError::transportFailed);
        },
        [] { return now; });
}

} // namespace

class TestUsageTimelineProvider : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void placeholderAndPreviewNeverFetch()
    {
        const auto calls = std::make_shared<int>(0);
        const UsageTimelineProvider provider(countingLoader(calls, std::nullopt));
        const UsageTimelineEntry expected{.date = now, .snapshot = sampleSnapshot(now)};
        QCOMPARE(provider.placeholder(), expected);
        QCOMPARE(QCoro::waitFor(provider.snapshot(true)), expected);
        QCOMPARE(*calls, 0);

        QCOMPARE(QCoro::waitFor(provider.snapshot(false)).snapshot, WidgetUsageLoader::fallback(now));
        QCOMPARE(*calls, 1);
    }

    void timelineReloadsAQuarterHourAfterTheDocument_data()
    {
        QTest::addColumn<std::optional<WidgetUsageSnapshot>>("document");
        QTest::addColumn<WidgetDate>("entryDate");

        // The entry date is the application's refresh, not the load: an old one reloads at once.
        const WidgetDate stale = now.addingSeconds(-7200.5);
        QTest::newRow("stale document")
            << std::optional(WidgetUsageSnapshot{.updatedAt = stale, .providers = {}}) << stale;
        QTest::newRow("failed load") << std::optional<WidgetUsageSnapshot>() << now;
    }

    void timelineReloadsAQuarterHourAfterTheDocument()
    {
        QFETCH(std::optional<WidgetUsageSnapshot>, document);
        QFETCH(WidgetDate, entryDate);
        const auto calls = std::make_shared<int>(0);
        const UsageTimeline timeline =
            QCoro::waitFor(UsageTimelineProvider(countingLoader(calls, document)).timeline());
        QCOMPARE(*calls, 1);
        QCOMPARE(timeline.entries.size(), 1);
        QCOMPARE(timeline.entries.first().date, entryDate);
        QCOMPARE(timeline.entries.first().snapshot.updatedAt, entryDate);
        QCOMPARE(timeline.reloadAfter, entryDate.addingSeconds(900));
    }
};

} // namespace tallyvane::testing

QTEST_GUILESS_MAIN(tallyvane::testing::TestUsageTimelineProvider)
#include "TestUsageTimelineProvider.moc"
