// The record codecs: the first byte picks the record, the rest is its JSON text.
#include "FuzzCheck.h"

#include <UsageDomain/ProviderProbeResult.h>
#include <UsageDomain/TokenUsageBucket.h>
#include <UsageDomain/UsageWindowSample.h>

#include <cstddef>
#include <cstdint>

using namespace tallyvane;

namespace {

// A decoded record, written and read back, is written the same way again.
template <typename T> void checkRecord(const QByteArray& json)
{
    const auto value = fromJsonBytes<T>(json);
    if (!value)
        return;
    const QJsonValue written = toJson(*value);
    const auto again = fromJson<T>(written);
    fuzzing::require(again.has_value(), "a decoded record decodes again once written");
    fuzzing::require(toJson(*again) == written, "a record survives JSON");
}

void checkDecimalText(const QByteArray& text)
{
    const auto value = Decimal::fromString(QString::fromUtf8(text));
    if (!value)
        return;
    const auto again = Decimal::fromString(value->toString());
    fuzzing::require(again && *again == *value, "a decimal survives its own text");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray json(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    switch (data[0] % 9) {
    case 0:
        checkRecord<UsageWindowSample>(json);
        break;
    case 1:
        checkRecord<TokenUsageBucket>(json);
        break;
    case 2:
        checkRecord<ProviderDescriptor>(json);
        break;
    case 3:
        checkRecord<ProviderDiagnostic>(json);
        break;
    case 4:
        checkRecord<SourceDescriptor>(json);
        break;
    case 5:
        checkRecord<ProviderCapabilities>(json);
        break;
    case 6:
        checkRecord<ProviderProbeResult>(json);
        break;
    case 7:
        checkRecord<QList<UsageWindowSample>>(json);
        break;
    default:
        checkDecimalText(json);
        break;
    }
    return 0;
}
