#pragma once

#include "WidgetUsageLoaderError.h"
#include "WidgetUsageSnapshot.h"

#include <QCoroTask>
#include <QUrl>

#include <chrono>
#include <expected>
#include <functional>

namespace tallyvane {

// Fetches the widget document from the running application; any failure becomes the fallback
// document (both services unavailable), so the widget always has something to draw.
class WidgetUsageLoader {
public:
    using FetchResult = std::expected<WidgetUsageSnapshot, WidgetUsageLoaderError>;
    // Both must be callable from any thread.
    using Fetch = std::function<QCoro::Task<FetchResult>()>;
    using Now = std::function<WidgetDate()>;

    static constexpr std::chrono::milliseconds liveTimeout{14'000};
    // A document is a few hundred bytes; anything far larger is not one.
    static constexpr qint64 liveBodyLimit = 1024 * 1024;

    // http://127.0.0.1:47392/widget/v1
    static const QUrl& liveEndpoint();

    // Fetches from liveEndpoint() over a session of its own; the clock is the system's.
    WidgetUsageLoader();
    WidgetUsageLoader(Fetch fetch, Now now);

    // A GET of the document over one session per fetch function: no cache, no cookies,
    // "Cache-Control: no-store". Non-200 and non-HTTP answers fail with invalidResponse. The
    // whole exchange ends within `timeout`, however the peer trickles its answer.
    static Fetch liveFetch(QUrl endpoint = liveEndpoint(), std::chrono::milliseconds timeout = liveTimeout);
    static WidgetUsageSnapshot fallback(WidgetDate now);

    // Never fails. The loader may be destroyed while a load is pending.
    QCoro::Task<WidgetUsageSnapshot> load() const;

    const Fetch& fetch() const { return m_fetch; }
    const Now& now() const { return m_now; }

private:
    Fetch m_fetch;
    Now m_now;
};

} // namespace tallyvane
