#pragma once

#include "NetworkTransportError.h"

#include <QByteArray>
#include <QCoroTask>
#include <QNetworkRequest>

#include <chrono>
#include <expected>
#include <optional>

class QNetworkAccessManager;

namespace tallyvane {

// One HTTP request with the settings of EphemeralNetworkAccess, awaited to its end. Only the
// body of a 200 answer is read; any other status is reported without touching its body.
class HttpExchange {
public:
    struct Answer {
        std::optional<int> statusCode; // absent: the answer was not HTTP
        QByteArray body;               // status 200 only
        bool bodyTooLarge = false;     // status 200 only: cut off at the cap, body empty
    };
    using Result = std::expected<Answer, NetworkTransportError>;

    static QCoro::Task<Result> get(QNetworkAccessManager& network, QNetworkRequest request,
                                   std::chrono::milliseconds transferTimeout);
    static QCoro::Task<Result> post(QNetworkAccessManager& network, QNetworkRequest request, QByteArray body,
                                    std::chrono::milliseconds transferTimeout);

private:
    static QCoro::Task<Result> send(QNetworkAccessManager& network, QByteArray verb, QNetworkRequest request,
                                    QByteArray body, std::chrono::milliseconds transferTimeout);
};

} // namespace tallyvane
