// What the app-server transport reads of every output line: the id and the error code.
#include "FuzzCheck.h"

#include <CodexProvider/CodexRPCIdentifier.h>

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstddef>
#include <cstdint>

using namespace tallyvane;

namespace {

void checkLine(const QByteArray& line)
{
    const auto identifier = fromJsonBytes<CodexRPCIdentifier>(line);
    if (!identifier || !identifier->id)
        return;
    // A decoded id is the integral JSON number that was sent, never a clamped or truncated one.
    const QJsonValue sent = QJsonDocument::fromJson(line).object().value(QLatin1StringView("id"));
    fuzzing::require(sent.isDouble(), "an id comes from a JSON number");
    fuzzing::require(double(*identifier->id) == sent.toDouble(), "an id keeps its value");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Framed as the transport frames it: every line on its own, line feeds never included.
    const QByteArray output(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const QByteArray& line : output.split('\n')) {
        if (!line.isEmpty())
            checkLine(line);
    }
    return 0;
}
