#include "EphemeralNetworkAccess.h"

#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <climits>

namespace tallyvane {

namespace {

// Neither sends nor accepts a cookie.
class DiscardingCookieJar final : public QNetworkCookieJar {
public:
    using QNetworkCookieJar::QNetworkCookieJar;

    QList<QNetworkCookie> cookiesForUrl(const QUrl&) const override { return {}; }
    bool setCookiesFromUrl(const QList<QNetworkCookie>&, const QUrl&) override { return false; }
    bool insertCookie(const QNetworkCookie&) override { return false; }
    bool updateCookie(const QNetworkCookie&) override { return false; }
};

} // namespace

std::unique_ptr<QNetworkAccessManager> EphemeralNetworkAccess::createManager()
{
    auto manager = std::make_unique<QNetworkAccessManager>();
    manager->setCache(nullptr);
    manager->setCookieJar(new DiscardingCookieJar(manager.get()));
    manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    manager->setStrictTransportSecurityEnabled(false);
    return manager;
}

void EphemeralNetworkAccess::prepare(QNetworkRequest& request, std::chrono::milliseconds transferTimeout)
{
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::AuthenticationReuseAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    // Zero would mean "no time-out" to the client; the smallest real one is one millisecond.
    request.setTransferTimeout(int(std::clamp<qint64>(transferTimeout.count(), 1, INT_MAX)));
}

std::shared_ptr<const bool> EphemeralNetworkAccess::capBody(QNetworkReply& reply, qint64 limit)
{
    auto exceeded = std::make_shared<bool>(false);
    QNetworkReply* const target = &reply;
    auto abortPast = [target, exceeded, limit](qint64 bytes) {
        if (bytes > limit && !*exceeded) {
            *exceeded = true;
            target->abort();
        }
    };
    QObject::connect(target, &QNetworkReply::metaDataChanged, target, [target, abortPast] {
        const QVariant announced = target->header(QNetworkRequest::ContentLengthHeader);
        if (announced.isValid())
            abortPast(announced.toLongLong());
    });
    QObject::connect(target, &QNetworkReply::downloadProgress, target,
                     [abortPast](qint64 received, qint64) { abortPast(received); });
    return exceeded;
}

} // namespace tallyvane
