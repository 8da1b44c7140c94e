#pragma once

#include <QtGlobal>

#include <chrono>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;

namespace tallyvane {

// HTTP settings for requests that carry tokens: nothing is kept between requests (no cache,
// no cookies in either direction), every request goes to the network, redirects are not
// followed (a redirect would resend a bearer or refresh token wherever it points), each
// request has its own transfer time-out, and answers are capped in size.
class EphemeralNetworkAccess {
public:
    static constexpr qint64 maximumBodyBytes = 1024 * 1024;

    // A manager with no cache, a cookie jar that keeps and returns nothing, and redirects off.
    static std::unique_ptr<QNetworkAccessManager> createManager();

    // Per-request settings, applied again on every request so that they hold even on a manager
    // supplied by the caller: network only, nothing cached or stored, no cookies, no redirects.
    // The time-out counts from the last byte moved, so a stalled answer ends it.
    static void prepare(QNetworkRequest& request, std::chrono::milliseconds transferTimeout);

    // Aborts `reply` as soon as its announced or received body exceeds `limit` bytes. The flag
    // turns true when that happened, which tells a cap apart from other aborts.
    static std::shared_ptr<const bool> capBody(QNetworkReply& reply, qint64 limit = maximumBodyBytes);
};

} // namespace tallyvane
