// The widget server's judgement of one read of a request.
#include "FuzzCheck.h"

#include <TallyvaneUI/WidgetRequest.h>

#include <cstddef>
#include <cstdint>

using namespace tallyvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    for (const quint16 port : {quint16(0), quint16(47392)}) {
        if (WidgetRequest::isServed(bytes, port))
            fuzzing::require(bytes.startsWith("GET /widget/v1 "), "only the one resource is served");
    }
    return 0;
}
