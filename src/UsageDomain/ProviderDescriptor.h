#pragma once

#include "FieldHasher.h"
#include "JsonValue.h"

#include <optional>

namespace tallyvane {

// Static identity of a provider; `id` keys backoff state, outcomes and view states.
struct ProviderDescriptor {
    QString id;
    QString displayName;
    std::optional<QString> integrationNotice;

    friend bool operator==(const ProviderDescriptor&, const ProviderDescriptor&) = default;
};

size_t qHash(const ProviderDescriptor& value, size_t seed = 0) noexcept;

template <> struct JsonValue<ProviderDescriptor> {
    static QJsonValue write(const ProviderDescriptor& value);
    static Decoded<ProviderDescriptor> read(const QJsonValue& json, QStringView path);
};

} // namespace tallyvane

TALLYVANE_STD_HASH(tallyvane::ProviderDescriptor)
