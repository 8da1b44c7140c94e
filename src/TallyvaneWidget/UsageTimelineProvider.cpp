#include "UsageTimelineProvider.h"

#include "SampleSnapshot.h"

namespace tallyvane {

UsageTimelineProvider::UsageTimelineProvider()
    : m_loader()
{
}

UsageTimelineProvider::UsageTimelineProvider(WidgetUsageLoader loader)
    : m_loader(std::move(loader))
{
}

UsageTimelineEntry UsageTimelineProvider::placeholder() const
{
    const WidgetDate now = m_loader.now()();
    return {.date = now, .snapshot = sampleSnapshot(now)};
}

QCoro::Task<UsageTimelineEntry> UsageTimelineProvider::snapshot(bool isPreview) const
{
    if (isPreview)
        co_return placeholder();
    UsageTimelineEntry entry = co_await liveEntry();
    co_return entry;
}

QCoro::Task<UsageTimeline> UsageTimelineProvider::timeline() const
{
    UsageTimelineEntry entry = co_await liveEntry();
    const WidgetDate reload = reloadDate(entry.date);
    UsageTimeline result{.entries = {std::move(entry)}, .reloadAfter = reload};
    co_return result;
}

WidgetDate UsageTimelineProvider::reloadDate(WidgetDate entryDate)
{
    // An elapsed quarter hour: no calendar or time zone changes its length in seconds.
    return entryDate.addingSeconds(reloadInterval);
}

QCoro::Task<UsageTimelineEntry> UsageTimelineProvider::liveEntry() const
{
    // The loader is copied into the frame: the provider need not outlive the load.
    const WidgetUsageLoader loader = m_loader;
    QCoro::Task<WidgetUsageSnapshot> loading = loader.load();
    WidgetUsageSnapshot snapshot = co_await loading;
    const WidgetDate date = snapshot.updatedAt;
    UsageTimelineEntry entry{.date = date, .snapshot = std::move(snapshot)};
    co_return entry;
}

} // namespace tallyvane
