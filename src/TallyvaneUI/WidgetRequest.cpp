#include "WidgetRequest.h"

#include <QList>
#include <QStringDecoder>
#include <QStringView>

#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {

constexpr QStringView requestPrefix = u"GET /widget/v1 ";

} // namespace

bool WidgetRequest::isServed(QByteArrayView bytes, quint16 serverPort)
{
    if (bytes.isEmpty())
        return false;
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    if (decoder.hasError() || !text.startsWith(requestPrefix))
        return false;

    // Headers cut off by the read limit may hide a web page's marks, so they are not served.
    const qsizetype headerEnd = text.indexOf(u"\r\n\r\n");
    if (headerEnd < 0)
        return false;
    // Only a loopback Host is served: a web page reaching this port through a rebound domain
    // name sends that name, and must not read the usage document.
    // Lines end in CR LF and nowhere else: a bare CR or LF would let a header hide inside
    // another line from this reading while a laxer one sees it.
    const QStringView headerBlock = QStringView(text).first(headerEnd);
    if (headerBlock.count(u'\r') != headerBlock.count(u"\r\n") ||
        headerBlock.count(u'\n') != headerBlock.count(u"\r\n"))
        return false;
    std::optional<QStringView> host;
    const QList<QStringView> lines = headerBlock.split(u"\r\n");
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(u':');
        if (colon < 0)
            continue;
        const QStringView name = lines[i].first(colon).trimmed();
        const QStringView value = lines[i].sliced(colon + 1).trimmed();
        if (isFromWebPage(name, value))
            return false;
        if (name.compare(u"Host", Qt::CaseInsensitive) != 0)
            continue;
        if (host)
            return false; // two Host headers: ambiguous, so refused
        host = value;
    }
    return host && isLocalHost(*host, serverPort);
}

bool WidgetRequest::isFromWebPage(QStringView name, QStringView value)
{
    // A page can make the browser send this request (an image, a no-cors fetch) with a loopback
    // Host; browsers mark such requests, while the widget, curl and a typed address do not.
    if (name.compare(u"Origin", Qt::CaseInsensitive) == 0)
        return true;
    return name.compare(u"Sec-Fetch-Site", Qt::CaseInsensitive) == 0 &&
           value.compare(u"none", Qt::CaseInsensitive) != 0;
}

bool WidgetRequest::isLocalHost(QStringView host, quint16 serverPort)
{
    const QString port = u":"_s + QString::number(serverPort);
    for (const QString& name : {u"127.0.0.1"_s, u"localhost"_s}) {
        const QString withPort = name + port;
        if (host.compare(name, Qt::CaseInsensitive) == 0 || host.compare(withPort, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace tallyvane
