// The Claude normaliser on the body of one usage answer.
#include "ResultChecks.h"

#include <ClaudeProvider/ClaudeUsageNormalizer.h>

#include <cstddef>
#include <cstdint>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const QUuid connection = QUuid::fromString(u"3f2b8c1a-9d4e-4f6a-b7c8-0a1b2c3d4e5f"_s);
    static const Instant observedAt = Instant::fromSecondsSince1970(1767225600.75);

    const QByteArray body(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto result = ClaudeUsageNormalizer::normalize(body, connection, observedAt);
    if (result) {
        fuzzing::checkResult(*result);
        fuzzing::require(result->windows.size() <= 6, "at most six windows");
        fuzzing::require(!result->windows.isEmpty() || containsError(result->diagnostics),
                         "an answer without windows is a failure");
    }
    return 0;
}
