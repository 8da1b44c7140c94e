#include "HttpExchange.h"

#include "EphemeralNetworkAccess.h"

#include <QCoroNetworkReply>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {

struct DeleteLater {
    void operator()(QObject* object) const { object->deleteLater(); }
};

NetworkTransportError transportError(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError: // the transfer time-out aborts this way
        return NetworkTransportError::timedOut;
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
        return NetworkTransportError::connectionFailed;
    case QNetworkReply::SslHandshakeFailedError:
        return NetworkTransportError::secureConnectionFailed;
    default:
        return NetworkTransportError::failed;
    }
}

} // namespace

QCoro::Task<HttpExchange::Result> HttpExchange::get(QNetworkAccessManager& network, QNetworkRequest request,
                                                    std::chrono::milliseconds transferTimeout)
{
    return send(network, "GET"_ba, std::move(request), {}, transferTimeout);
}

QCoro::Task<HttpExchange::Result> HttpExchange::post(QNetworkAccessManager& network, QNetworkRequest request,
                                                     QByteArray body,
                                                     std::chrono::milliseconds transferTimeout)
{
    return send(network, "POST"_ba, std::move(request), std::move(body), transferTimeout);
}

QCoro::Task<HttpExchange::Result> HttpExchange::send(QNetworkAccessManager& network, QByteArray verb,
                                                     QNetworkRequest request, QByteArray body,
                                                     std::chrono::milliseconds transferTimeout)
{
    // Any other scheme (file:, data:) would not be an HTTP answer, and must not be read at all.
    const QString scheme = request.url().scheme();
    if (scheme != "https"_L1 && scheme != "http"_L1)
        co_return Answer{};

    EphemeralNetworkAccess::prepare(request, transferTimeout);
    const std::unique_ptr<QNetworkReply, DeleteLater> reply(
        verb == "POST"_ba ? network.post(request, body) : network.sendCustomRequest(request, verb));
    const std::shared_ptr<const bool> capped = EphemeralNetworkAccess::capBody(*reply);
    QNetworkReply* const pending = reply.get();
    // The transfer time-out only bounds silence between bytes: a peer that trickles its answer
    // would hold the call for ever. One deadline bounds the whole exchange.
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, pending, [pending] { pending->abort(); });
    deadline.start(std::max(transferTimeout, std::chrono::milliseconds(1)));
    co_await pending;

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        if (reply->error() != QNetworkReply::NoError)
            co_return std::unexpected(transportError(reply->error()));
        co_return Answer{};
    }
    const int statusCode = status.toInt();
    // The status decides: the body of any other answer is of no interest, complete or not.
    if (statusCode != 200)
        co_return Answer{.statusCode = statusCode, .body = {}, .bodyTooLarge = false};
    if (*capped)
        co_return Answer{.statusCode = statusCode, .body = {}, .bodyTooLarge = true};
    if (reply->error() != QNetworkReply::NoError)
        co_return std::unexpected(transportError(reply->error()));
    co_return Answer{.statusCode = statusCode, .body = reply->readAll(), .bodyTooLarge = false};
}

} // namespace tallyvane
