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

} // namespace

std::expected<OAuthCallback, ClaudeOAuthError> OAuthCallbackRequest::parse(QByteArrayView request)
{
    const auto invalid = std::unexpected(ClaudeOAuthError::invalidCallback);
    if (request.isEmpty())
        return invalid;

    const std::optional<QString> requestLine = firstNonEmptyLine(QString::fromUtf8(request));
    if (!requestLine)
        return invalid;
    const QStringList pieces = requestLine->split(u' ', Qt::SkipEmptyParts);
    if (pieces.size() < 2)
        return invalid;

    // The target is resolved against our own origin, so an absolute or authority-form target
    // cannot choose the path's meaning.
    const QUrl url(u"http://localhost"_s + pieces.at(1), QUrl::StrictMode);
    if (!url.isValid() || url.path(QUrl::FullyDecoded) != u"/callback"_s)
        return invalid;

    const QList<std::pair<QString, QString>> items = QUrlQuery(url).queryItems(QUrl::FullyDecoded);
    std::optional<QString> code = firstValue(items, u"code");
    std::optional<QString> state = firstValue(items, u"state");
    if (!code || !state)
        return invalid;
    return OAuthCallback{.code = std::move(*code), .state = std::move(*state)};
}

QByteArray OAuthCallbackRequest::redirectReply(QByteArrayView location)
{
    QByteArray reply("HTTP/1.1 302 Found\r\nLocation: ");
    reply.append(location);
    reply.append("\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    return reply;
}

} // namespace tallyvane
