#include "OAuthCallbackRequest.h"

#include <QStringList>
#include <QUrl>
#include <QUrlQuery>

#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {

std::optional<QString> firstNonEmptyLine(const QString& text)
{
    for (const QStringView line : QStringView(text).tokenize(QStringView(u"\r\n"), Qt::SkipEmptyParts))
        return line.toString();
    return std::nullopt;
}

// The first item with this exact name decides; one without a value counts as missing. An empty
// value is treated the same way: an empty code or state can never complete a sign-in.
std::optional<QString> firstValue(const QList<std::pair<QString, QString>>& items, QStringView name)
{
    for (const auto& [itemName, value] : items) {
        if (itemName == name)
            return value.isEmpty() ? std::nullopt : std::optional<QString>(value);
    }
    return std::nullopt;
}

// The query items of a request for "/callback"; nothing for any other request.
std::optional<QList<std::pair<QString, QString>>> callbackQuery(QByteArrayView request)
{
    if (request.isEmpty())
        return std::nullopt;
    const std::optional<QString> requestLine = firstNonEmptyLine(QString::fromUtf8(request));
    if (!requestLine)
        return std::nullopt;
    const QStringList pieces = requestLine->split(u' ', Qt::SkipEmptyParts);
    if (pieces.size() < 2)
        return std::nullopt;

    // The target is resolved against our own origin, so an absolute or authority-form target
    // cannot choose the path's meaning.
    const QUrl url(u"http://localhost"_s + pieces.at(1), QUrl::StrictMode);
    if (!url.isValid() || url.path(QUrl::FullyDecoded) != u"/callback"_s)
        return std::nullopt;
    return QUrlQuery(url).queryItems(QUrl::FullyDecoded);
}

QByteArray plainReply(QByteArrayView status, const QByteArray& body)
{
    return "HTTP/1.1 "_ba + status + "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: "_ba +
           QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n"_ba + body;
}

} // namespace

std::expected<OAuthCallback, ClaudeOAuthError> OAuthCallbackRequest::parse(QByteArrayView request)
{
    const auto invalid = std::unexpected(ClaudeOAuthError::invalidCallback);
    const auto items = callbackQuery(request);
    if (!items)
        return invalid;
    std::optional<QString> code = firstValue(*items, u"code");
    std::optional<QString> state = firstValue(*items, u"state");
    if (!code || !state)
        return invalid;
    return OAuthCallback{.code = std::move(*code), .state = std::move(*state)};
}

std::optional<QString> OAuthCallbackRequest::state(QByteArrayView request)
{
    const auto items = callbackQuery(request);
    return items ? firstValue(*items, u"state") : std::nullopt;
}

QByteArray OAuthCallbackRequest::redirectReply(QByteArrayView location)
{
    QByteArray reply("HTTP/1.1 302 Found\r\nLocation: ");
    reply.append(location);
    reply.append("\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    return reply;
}

QByteArray OAuthCallbackRequest::badRequestReply()
{
    return plainReply("400 Bad Request", "400 Bad Request\n"_ba);
}

QByteArray OAuthCallbackRequest::failureReply(const QString& text)
{
    return plainReply("200 OK", text.toUtf8() + '\n');
}

} // namespace tallyvane
