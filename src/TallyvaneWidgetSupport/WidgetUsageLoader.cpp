#include "WidgetUsageLoader.h"

#include <QCoroNetworkReply>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThread>
#include <QTimer>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {

// Neither sends nor keeps a cookie.
class DiscardingCookieJar final : public QNetworkCookieJar {
public:
    using QNetworkCookieJar::QNetworkCookieJar;

    QList<QNetworkCookie> cookiesForUrl(const QUrl&) const override { return {}; }
    bool setCookiesFromUrl(const QList<QNetworkCookie>&, const QUrl&) override { return false; }
    bool insertCookie(const QNetworkCookie&) override { return false; }
    bool updateCookie(const QNetworkCookie&) override { return false; }
};

struct DeleteLater {
    void operator()(QObject* object) const { object->deleteLater(); }
};

// The last owner of a session may be a fetch resuming inside its reply's finished signal,
// where deleting the manager (the reply's parent) at once would pull the reply from under it.
struct DeleteWhenSafe {
    void operator()(QObject* object) const
    {
        if (object->thread() == QThread::currentThread() && QThread::currentThread()->loopLevel() == 0)
            delete object;
        else
            object->deleteLater();
    }
};

using ManagerPointer = std::unique_ptr<QNetworkAccessManager, DeleteWhenSafe>;

ManagerPointer createManager()
{
    ManagerPointer manager(new QNetworkAccessManager);
    manager->setCache(nullptr);
    manager->setCookieJar(new DiscardingCookieJar(manager.get()));
    // A redirect answers with a status other than 200: it is not followed anywhere else.
    manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    return manager;
}

// Immutable once made, so fetches may share it from any thread.
struct LiveSession {
    QUrl endpoint;
    std::chrono::milliseconds timeout;
    // Bound to the thread that made the loader; a fetch from another thread uses a
    // manager of its own, since a QNetworkAccessManager serves only its own thread.
    ManagerPointer manager;
};

QNetworkRequest liveRequest(const LiveSession& session)
{
    QNetworkRequest request(session.endpoint);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setRawHeader("Cache-Control"_ba, "no-store"_ba);
    request.setTransferTimeout(int(session.timeout.count()));
    return request;
}

QCoro::Task<WidgetUsageLoader::FetchResult> fetchLive(std::shared_ptr<const LiveSession> session)
{
    std::unique_ptr<QNetworkAccessManager, DeleteLater> ownManager;
    QNetworkAccessManager* manager = session->manager.get();
    if (manager->thread() != QThread::currentThread()) {
        ownManager.reset(createManager().release());
        manager = ownManager.get();
    }

    const std::unique_ptr<QNetworkReply, DeleteLater> reply(manager->get(liveRequest(*session)));
    QNetworkReply* const pending = reply.get();
    QObject::connect(pending, &QNetworkReply::downloadProgress, pending, [pending](qint64 received, qint64) {
        if (received > WidgetUsageLoader::liveBodyLimit)
            pending->abort();
    });
    // The transfer timeout only notices silence; a peer that trickles a byte now and then
    // would hold the fetch for ever without this deadline over the whole exchange.
    QTimer::singleShot(session->timeout, pending, &QNetworkReply::abort);
    co_await pending;

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        if (reply->error() != QNetworkReply::NoError)
            co_return std::unexpected(WidgetUsageLoaderError::transportFailed);
        co_return std::unexpected(WidgetUsageLoaderError::invalidResponse);
    }
    if (status.toInt() != 200)
        co_return std::unexpected(WidgetUsageLoaderError::invalidResponse);
    // A body that arrived whole before the progress check could stop it is caught here.
    const QByteArray body = reply->read(WidgetUsageLoader::liveBodyLimit + 1);
    if (reply->error() != QNetworkReply::NoError || body.size() > WidgetUsageLoader::liveBodyLimit)
        co_return std::unexpected(WidgetUsageLoaderError::transportFailed);

    std::optional<WidgetUsageSnapshot> snapshot = WidgetUsageSnapshot::fromJsonBytes(body);
    if (!snapshot)
        co_return std::unexpected(WidgetUsageLoaderError::undecodableDocument);
    WidgetUsageLoader::FetchResult result = std::move(*snapshot);
    co_return result;
}

} // namespace

const QUrl& WidgetUsageLoader::liveEndpoint()
{
    static const QUrl endpoint(u"http://127.0.0.1:47392/widget/v1"_s);
    return endpoint;
}

WidgetUsageLoader::WidgetUsageLoader()
    : WidgetUsageLoader(liveFetch(), &WidgetDate::now)
{
}

WidgetUsageLoader::WidgetUsageLoader(Fetch fetch, Now now)
    : m_fetch(std::move(fetch))
    , m_now(std::move(now))
{
}

WidgetUsageLoader::Fetch WidgetUsageLoader::liveFetch(QUrl endpoint, std::chrono::milliseconds timeout)
{
    auto session = std::make_shared<const LiveSession>(
        LiveSession{.endpoint = std::move(endpoint), .timeout = timeout, .manager = createManager()});
    // Not a coroutine itself: the frame of fetchLive owns its copy of the session, so the
    // function object may go away while a fetch is pending.
    return [session] { return fetchLive(session); };
}

WidgetUsageSnapshot WidgetUsageLoader::fallback(WidgetDate now)
{
    WidgetUsageSnapshot snapshot{.updatedAt = now, .providers = {}};
    for (const WidgetProviderService service : allWidgetProviderServices)
        snapshot.providers.append(
            {.service = service, .state = WidgetProviderState::unavailable, .windows = {}});
    return snapshot;
}

QCoro::Task<WidgetUsageSnapshot> WidgetUsageLoader::load() const
{
    // Copied before the first suspension: the loader need not outlive the load.
    const Fetch fetch = m_fetch;
    const Now now = m_now;
    QCoro::Task<FetchResult> fetching = fetch();
    FetchResult result = co_await fetching;
    if (result) {
        WidgetUsageSnapshot snapshot = std::move(*result);
        co_return snapshot;
    }
    WidgetUsageSnapshot snapshot = fallback(now());
    co_return snapshot;
}

} // namespace tallyvane
