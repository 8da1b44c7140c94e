// The Codex normaliser on its two answer lines: the rate limits, then (after the first line
// feed, when there is one) the account usage.
#include "ResultChecks.h"

#include <CodexProvider/CodexPayloadNormalizer.h>

#include <cstddef>
#include <cstdint>

using namespace tallyvane;
using namespace Qt::Literals::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const QUuid connection = QUuid::fromString(u"3f2b8c1a-9d4e-4f6a-b7c8-0a1b2c3d4e5f"_s);
    static const Instant observedAt = Instant::fromSecondsSince1970(1767225600.75);

    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype lineFeed = input.indexOf('\n');
    const QByteArray rateLimits = lineFeed < 0 ? input : input.first(lineFeed);
    const std::optional<QByteArray> usage =
        lineFeed < 0 ? std::nullopt : std::optional(input.sliced(lineFeed + 1));

    const auto result =
        CodexPayloadNormalizer::normalize(rateLimits, usage, connection, observedAt, u"0.50.0"_s);
    if (result) {
        fuzzing::checkResult(*result);
        for (const UsageWindowSample& window : result->windows) {
            if (window.durationSeconds) {
                fuzzing::require(*window.durationSeconds >= 60 && *window.durationSeconds <= 525600 * 60,
                                 "a duration is a sane window length");
            }
        }
    }
    return 0;
}
