// The widget server's judgement of one read of a request.
#include "FuzzCheck.h"

#include <TallyvaneUI/WidgetRequest.h>

#include <QByteArray>

#include <cstddef>
#include <cstdint>

using namespace tallyvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    for (const quint16 port : {quint16(0), quint16(47392)}) {
        if (!WidgetRequest::isServed(bytes, port))
            continue;
        fuzzing::require(bytes.startsWith("GET /widget/v1 "), "only the one resource is served");
        const QByteArray headers = bytes.toByteArray().toLower();
        fuzzing::require(headers.contains("\r\n\r\n"), "headers end within the read");
        fuzzing::require(!headers.left(headers.indexOf("\r\n\r\n")).contains("\norigin:"),
                         "nothing a web page sent is served");
    }
    return 0;
}
