#pragma once

#include "FieldHasher.h"
#include "JsonValue.h"

namespace tallyvane {

// Which concrete data source produced a record.
struct SourceDescriptor {
    QString id;
    QString displayName;
    bool isDocumented = false;

    friend bool operator==(const SourceDescriptor&, const SourceDescriptor&) = default;
};

size_t qHash(const SourceDescriptor& value, size_t seed = 0) noexcept;

template <> struct JsonValue<SourceDescriptor> {
    static QJsonValue write(const SourceDescriptor& value);
    static Decoded<SourceDescriptor> read(const QJsonValue& json, QStringView path);
};

} // namespace tallyvane

TALLYVANE_STD_HASH(tallyvane::SourceDescriptor)
