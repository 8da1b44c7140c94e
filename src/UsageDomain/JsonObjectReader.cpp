#include "JsonObjectReader.h"

namespace tallyvane {

JsonObjectReader::JsonObjectReader(const QJsonValue& json, QStringView path)
    : m_object(json.toObject())
    , m_path(path.toString())
{
    if (!json.isObject())
        m_error = decodingError(JsonDecodingError::Reason::wrongKind, path);
}

QString JsonObjectReader::pathOf(QLatin1StringView key) const
{
    return m_path.isEmpty() ? QString(key) : m_path + u'.' + key;
}

} // namespace tallyvane
