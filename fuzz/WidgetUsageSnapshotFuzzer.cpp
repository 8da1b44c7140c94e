// The widget's reading of the document the application serves.
#include "FuzzCheck.h"

#include <TallyvaneWidgetSupport/WidgetUsageSnapshot.h>

#include <cstddef>
#include <cstdint>

using namespace tallyvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto snapshot = WidgetUsageSnapshot::fromJsonBytes(QByteArrayView(data, qsizetype(size)));
    if (!snapshot)
        return 0;
    // Whatever was read can be served again as it was: JSON has no non-finite numbers.
    const std::optional<QByteArray> written = snapshot->toJsonBytes();
    fuzzing::require(written.has_value(), "a decoded document encodes");
    const auto again = WidgetUsageSnapshot::fromJsonBytes(*written);
    fuzzing::require(again && *again == *snapshot, "a document survives JSON");
    return 0;
}
