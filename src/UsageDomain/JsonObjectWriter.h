#pragma once

#include "JsonValue.h"

#include <QJsonObject>

#include <optional>

namespace tallyvane {

// Builds one JSON object: required fields always written, absent optionals omitted.
class JsonObjectWriter {
public:
    template <typename T> JsonObjectWriter& set(QLatin1StringView key, const T& value)
    {
        m_object.insert(key, JsonValue<T>::write(value));
        return *this;
    }

    template <typename T> JsonObjectWriter& set(QLatin1StringView key, const std::optional<T>& value)
    {
        if (value)
            set(key, *value);
        return *this;
    }

    QJsonObject object() const { return m_object; }

private:
    QJsonObject m_object;
};

} // namespace tallyvane
