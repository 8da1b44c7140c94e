#pragma once

#include "JsonValue.h"

#include <QJsonObject>

#include <optional>

namespace tallyvane {

// Reads the keys of one JSON object in order and keeps the first failure, so a record's
// decoder is a flat list of fields and nothing is partially decoded.
class JsonObjectReader {
public:
    JsonObjectReader(const QJsonValue& json, QStringView path);

    template <typename T> T required(QLatin1StringView key)
    {
        if (m_error)
            return T{};
        if (!m_object.contains(key)) {
            m_error = decodingError(JsonDecodingError::Reason::missingKey, pathOf(key));
            return T{};
        }
        return take(JsonValue<T>::read(m_object.value(key), pathOf(key)));
    }

    // Missing and null both mean absent.
    template <typename T> std::optional<T> optional(QLatin1StringView key)
    {
        if (m_error)
            return std::nullopt;
        const QJsonValue json = m_object.value(key);
        if (json.isUndefined() || json.isNull())
            return std::nullopt;
        return take(JsonValue<T>::read(json, pathOf(key)));
    }

    template <typename T> Decoded<T> finish(T value) const
    {
        if (m_error)
            return std::unexpected(*m_error);
        return value;
    }

private:
    QString pathOf(QLatin1StringView key) const;

    template <typename T> T take(Decoded<T> decoded)
    {
        if (!decoded) {
            m_error = decoded.error();
            return T{};
        }
        return std::move(*decoded);
    }

    QJsonObject m_object;
    QString m_path;
    std::optional<JsonDecodingError> m_error;
};

} // namespace tallyvane
