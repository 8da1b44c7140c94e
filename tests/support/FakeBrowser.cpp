#include "FakeBrowser.h"

#include "FakeClaudeServer.h"

#include <QRegularExpression>
#include <QTcpSocket>
#include <QUrlQuery>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::testing {

FakeBrowser::FakeBrowser(FakeClaudeServer& server, QString clientID, QString code)
    : m_state(std::make_shared<State>())
{
    m_state->server = &server;
    m_state->clientID = std::move(clientID);
    m_state->code = std::move(code);
}

QString FakeBrowser::queryValue(const QString& name) const
{
    return QUrlQuery(m_state->opened).queryItemValue(name, QUrl::FullyDecoded);
}

std::function<bool(const QUrl&)> FakeBrowser::opener() const
{
    return [state = m_state](const QUrl& url) {
        state->opened = url;
        const auto require = [&state](bool condition, const QString& problem) {
            if (!condition)
                state->problems.append(problem);
        };
        const QList<std::pair<QString, QString>> items = QUrlQuery(url).queryItems(QUrl::FullyDecoded);
        QStringList names;
        for (const auto& item : items)
            names.append(item.first);
        require(names == QStringList{u"code"_s, u"client_id"_s, u"response_type"_s, u"redirect_uri"_s,
                                     u"scope"_s, u"code_challenge"_s, u"code_challenge_method"_s, u"state"_s},
                u"parameters and their order"_s);
        const auto value = [&items](const QString& name) {
            for (const auto& item : items) {
                if (item.first == name)
                    return item.second;
            }
            return QString();
        };
        const QRegularExpression base64URL(u"^[A-Za-z0-9_-]*$"_s);
        require(url.path() == "/cai/oauth/authorize"_L1, u"path"_s);
        require(value(u"code"_s) == "true"_L1, u"code=true"_s);
        require(value(u"client_id"_s) == state->clientID, u"client_id"_s);
        require(value(u"response_type"_s) == "code"_L1, u"response_type"_s);
        require(QRegularExpression(u"^http://localhost:[1-9][0-9]*/callback$"_s)
                    .match(value(u"redirect_uri"_s))
                    .hasMatch(),
                u"redirect_uri"_s);
        require(url.query(QUrl::FullyEncoded).contains("&scope=org:create_api_key%20user:profile&"_L1),
                u"scope encoding"_s);
        require(value(u"code_challenge"_s).size() == 43 &&
                    base64URL.match(value(u"code_challenge"_s)).hasMatch(),
                u"code_challenge"_s);
        require(value(u"code_challenge_method"_s) == "S256"_L1, u"code_challenge_method"_s);
        require(value(u"state"_s).size() == 32 && base64URL.match(value(u"state"_s)).hasMatch(), u"state"_s);

        state->server->expectCodeChallenge(value(u"code_challenge"_s));
        state->server->expectAuthorizationCode(state->code);
        if (state->refuse)
            return false;

        QUrlQuery callback;
        callback.addQueryItem(u"code"_s, QString::fromLatin1(QUrl::toPercentEncoding(state->code)));
        callback.addQueryItem(u"state"_s, QString::fromLatin1(QUrl::toPercentEncoding(value(u"state"_s))));
        const QUrl redirect(value(u"redirect_uri"_s));
        const QByteArray request = "GET /callback?"_ba + callback.toString(QUrl::FullyEncoded).toLatin1() +
                                   " HTTP/1.1\r\nHost: localhost:"_ba + QByteArray::number(redirect.port()) +
                                   "\r\nAccept: text/html\r\nConnection: keep-alive\r\n\r\n"_ba;
        state->socket = std::make_shared<QTcpSocket>();
        QTcpSocket* socket = state->socket.get();
        QObject::connect(socket, &QTcpSocket::connected, socket,
                         [socket, request] { socket->write(request); });
        QObject::connect(socket, &QTcpSocket::readyRead, socket,
                         [socket, weak = std::weak_ptr<State>(state)] {
                             if (const auto alive = weak.lock())
                                 alive->reply += socket->readAll();
                         });
        socket->connectToHost(state->localhost, quint16(redirect.port()));
        return true;
    };
}

} // namespace tallyvane::testing
