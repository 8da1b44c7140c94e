#pragma once

#include <QByteArrayView>
#include <QtGlobal>

namespace tallyvane {

// Judges the bytes of the widget server's one read of a request, free of sockets so that it
// can be tested and fuzzed on plain bytes.
class WidgetRequest {
public:
    // True for a UTF-8 "GET /widget/v1 " request with exactly one Host header naming this
    // machine ("127.0.0.1" or "localhost", bare or with `serverPort`) and nothing that marks it
    // as sent by a web page: no Origin header, no Sec-Fetch-Site other than "none". The header
    // section must end within the bytes. Anything else is answered "404 Not Found".
    static bool isServed(QByteArrayView bytes, quint16 serverPort);

private:
    static bool isLocalHost(QStringView host, quint16 serverPort);
    static bool isFromWebPage(QStringView name, QStringView value);
};

} // namespace tallyvane
