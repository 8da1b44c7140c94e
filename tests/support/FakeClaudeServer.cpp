#include "FakeClaudeServer.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::testing {

namespace {

QByteArray reasonPhrase(int status)
{
    static const QHash<int, QByteArray> phrases{
        {200, "OK"_ba}, {302, "Found"_ba}, {400, "Bad Request"_ba}, {401, "Unauthorized"_ba}};
    return phrases.value(status, "Status"_ba);
}

QString base64URL(const QByteArray& bytes)
{
    return QString::fromLatin1(
        bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

// A whole request once all of it has arrived; nullopt while more is needed.
std::optional<FakeClaudeServer::Request> parseRequest(const QByteArray& buffer)
{
    const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return std::nullopt;
    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    FakeClaudeServer::Request request;
    request.method = requestLine.value(0);
    const QByteArray target = requestLine.value(1);
    request.path = target.left(target.indexOf('?') < 0 ? target.size() : target.indexOf('?'));
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                   lines[i].mid(colon + 1).trimmed());
    }
    const qsizetype length = request.headers.value("content-length"_ba, "0"_ba).toLongLong();
    if (buffer.size() < headerEnd + 4 + length)
        return std::nullopt;
    request.body = buffer.mid(headerEnd + 4, length);
    request.json = QJsonDocument::fromJson(request.body).object();
    return request;
}

} // namespace

FakeClaudeServer::Response FakeClaudeServer::jsonResponse(int status, const QJsonObject& body)
{
    return Response{.status = status,
                    .body = QJsonDocument(body).toJson(QJsonDocument::Compact),
                    .headers = {{"Content-Type"_ba, "application/json"_ba}}};
}

FakeClaudeServer::Response FakeClaudeServer::oversizedResponse(const QJsonObject& body, qint64 bytes)
{
    QJsonObject padded = body;
    padded.insert(u"padding"_s, QString(qsizetype(bytes), u'x'));
    return jsonResponse(200, padded);
}

FakeClaudeServer::FakeClaudeServer(QString clientID, QObject* parent)
    : QObject(parent)
    , m_clientID(std::move(clientID))
{
    connect(&m_server, &QTcpServer::newConnection, this, &FakeClaudeServer::accept);
    if (!m_server.listen(QHostAddress::LocalHost, 0))
        qFatal("the fake Claude server could not listen");
}

QUrl FakeClaudeServer::baseURL() const
{
    return QUrl(u"http://127.0.0.1:"_s + QString::number(m_server.serverPort()));
}

void FakeClaudeServer::script(QByteArrayView path, Response response)
{
    m_scripts.insert(path.toByteArray(), std::move(response));
}

QList<FakeClaudeServer::Request> FakeClaudeServer::requestsTo(QByteArrayView path) const
{
    QList<Request> matching;
    for (const Request& request : m_requests) {
        if (request.path == path)
            matching.append(request);
    }
    return matching;
}

void FakeClaudeServer::accept()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        auto buffer = std::make_shared<QByteArray>();
        auto handled = std::make_shared<bool>(false);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer, handled] {
            buffer->append(socket->readAll());
            if (*handled)
                return;
            if (auto request = parseRequest(*buffer)) {
                *handled = true;
                handle(socket, std::move(*request));
            }
        });
    }
}

void FakeClaudeServer::handle(QTcpSocket* socket, Request request)
{
    const QStringList problems = check(request);
    m_violations += problems;
    Response response = m_scripts.value(request.path, jsonResponse(404, {{u"error"_s, u"not_found"_s}}));
    if (!problems.isEmpty()) {
        const int status = request.path == usagePath ? 401 : 400;
        response = jsonResponse(status, {{u"error"_s, u"rejected_by_fake"_s}});
    }
    m_requests.append(std::move(request));

    QPointer<QTcpSocket> target(socket);
    auto reply = [target, response] {
        if (!target)
            return;
        QByteArray head = "HTTP/1.1 "_ba + QByteArray::number(response.status) + ' ' +
                          reasonPhrase(response.status) + "\r\n";
        for (const auto& [name, value] : response.headers)
            head += name + ": " + value + "\r\n";
        head += "Content-Length: "_ba + QByteArray::number(response.body.size()) +
                "\r\nConnection: close\r\n\r\n";
        target->write(head);
        target->write(response.closeMidBody ? response.body.left(response.body.size() / 2) : response.body);
        target->disconnectFromHost();
    };
    if (response.delayMilliseconds > 0)
        QTimer::singleShot(response.delayMilliseconds, this, reply);
    else
        reply();
}

QStringList FakeClaudeServer::check(const Request& request) const
{
    QStringList problems;
    const auto require = [&problems](bool condition, const QString& problem) {
        if (!condition)
            problems.append(problem);
    };
    const auto text = [&request](const QString& key) { return request.json.value(key).toString(); };
    require(!request.headers.contains("cookie"_ba), u"a cookie was sent"_s);

    if (request.path == tokenPath || request.path == revokePath) {
        require(request.method == "POST"_ba, u"token endpoints take POST"_s);
        require(request.headers.value("content-type"_ba) == "application/json"_ba, u"JSON content type"_s);
        require(!QJsonDocument::fromJson(request.body).isNull(), u"body is not JSON"_s);
        require(text(u"client_id"_s) == m_clientID, u"client_id"_s);
        for (auto it = request.json.begin(); it != request.json.end(); ++it)
            require(it->isString(), u"every body value is a string"_s);
    }
    if (request.path == tokenPath) {
        const QString grant = text(u"grant_type"_s);
        if (grant == "authorization_code"_L1) {
            require(request.json.size() == 6, u"six keys in a code exchange"_s);
            require(m_authorizationCode.isEmpty() || text(u"code"_s) == m_authorizationCode, u"code"_s);
            require(text(u"redirect_uri"_s).startsWith("http://localhost:"_L1), u"redirect_uri"_s);
            require(!text(u"state"_s).isEmpty(), u"state"_s);
            const QString verifier = text(u"code_verifier"_s);
            const QString challenge =
                base64URL(QCryptographicHash::hash(verifier.toUtf8(), QCryptographicHash::Sha256));
            require(!m_codeChallenge.isEmpty() && challenge == m_codeChallenge, u"PKCE verifier"_s);
        } else if (grant == "refresh_token"_L1) {
            require(request.json.size() == 4, u"four keys in a refresh"_s);
            require(!text(u"refresh_token"_s).isEmpty(), u"refresh_token"_s);
            require(request.json.value(u"scope"_s).isString(), u"scope"_s);
        } else {
            problems.append(u"unknown grant_type"_s);
        }
    } else if (request.path == revokePath) {
        require(request.json.size() == 3, u"three keys in a revocation"_s);
        require(!text(u"token"_s).isEmpty(), u"token"_s);
        require(text(u"token_type_hint"_s) == "refresh_token"_L1, u"token_type_hint"_s);
    } else if (request.path == usagePath) {
        require(request.method == "GET"_ba, u"usage takes GET"_s);
        require(request.body.isEmpty(), u"usage has no body"_s);
        const QByteArray authorization = request.headers.value("authorization"_ba);
        require(authorization.startsWith("Bearer "_ba) &&
                    (m_bearerToken.isEmpty() || authorization == "Bearer "_ba + m_bearerToken.toLatin1()),
                u"bearer token"_s);
        require(request.headers.value("accept"_ba) == "application/json"_ba, u"Accept"_s);
        require(request.headers.value("anthropic-beta"_ba) == "oauth-2025-04-20"_ba, u"anthropic-beta"_s);
    }
    return problems;
}

} // namespace tallyvane::testing
