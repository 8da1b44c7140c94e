#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

namespace tallyvane::testing {

// The Claude token, revocation and usage endpoints on a real loopback socket, one HTTP/1.1
// request per connection. Answers are scripted per path; every request is recorded and
// checked: the JSON bodies and headers each endpoint expects, no cookies, and PKCE (the
// verifier of a code exchange must hash to the challenge the authorisation URL carried). A
// request that fails a check is answered 400 (401 for the usage endpoint) instead of its
// script, and the reason is listed in violations().
class FakeClaudeServer : public QObject {
    Q_OBJECT
public:
    static constexpr QByteArrayView tokenPath = "/v1/oauth/token";
    static constexpr QByteArrayView revokePath = "/v1/oauth/token/revoke";
    static constexpr QByteArrayView usagePath = "/api/oauth/usage";

    struct Response {
        int status = 200;
        QByteArray body;
        QList<std::pair<QByteArray, QByteArray>> headers;
        int delayMilliseconds = 0;
        bool closeMidBody = false; // announces the whole body, sends half of it, then closes
    };

    struct Request {
        QByteArray method;
        QByteArray path;                       // without the query
        QHash<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
        QJsonObject json;
    };

    static Response jsonResponse(int status, const QJsonObject& body);
    // A valid JSON object of more than `bytes` bytes that would be a good answer if read whole.
    static Response oversizedResponse(const QJsonObject& body, qint64 bytes);

    explicit FakeClaudeServer(QString clientID, QObject* parent = nullptr);

    // "http://127.0.0.1:<port>"
    QUrl baseURL() const;

    // The answer to every later request on `path`.
    void script(QByteArrayView path, Response response);

    void expectCodeChallenge(const QString& challenge) { m_codeChallenge = challenge; }
    void expectAuthorizationCode(const QString& code) { m_authorizationCode = code; }
    void expectBearerToken(const QString& token) { m_bearerToken = token; }

    const QList<Request>& requests() const { return m_requests; }
    QList<Request> requestsTo(QByteArrayView path) const;
    const QStringList& violations() const { return m_violations; }

private:
    void accept();
    void handle(QTcpSocket* socket, Request request);
    QStringList check(const Request& request) const;

    QTcpServer m_server;
    const QString m_clientID;
    QString m_codeChallenge;
    QString m_authorizationCode;
    QString m_bearerToken;
    QHash<QByteArray, Response> m_scripts;
    QList<Request> m_requests;
    QStringList m_violations;
};

} // namespace tallyvane::testing
