#include "ProviderCapabilities.h"

#include <limits>

namespace tallyvane {

Decoded<ProviderCapabilities> JsonValue<ProviderCapabilities>::read(const QJsonValue& json, QStringView path)
{
    const auto raw = JsonValue<std::int64_t>::read(json, path);
    if (!raw)
        return std::unexpected(raw.error());
    if (*raw < 0 || *raw > std::numeric_limits<std::uint16_t>::max())
        return std::unexpected(decodingError(JsonDecodingError::Reason::outOfRange, path));
    return ProviderCapabilities(static_cast<std::uint16_t>(*raw));
}

} // namespace tallyvane
