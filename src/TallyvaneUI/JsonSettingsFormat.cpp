#include "JsonSettingsFormat.h"

#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

using namespace Qt::Literals::StringLiterals;

namespace tallyvane {

namespace {

QVariant variantFromJson(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::Bool:
        return value.toBool();
    case QJsonValue::Double:
        return value.toDouble();
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Array: {
        QVariantList list;
        for (const QJsonValue& element : value.toArray())
            list.append(variantFromJson(element));
        return list;
    }
    case QJsonValue::Object: {
        QVariantMap map;
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            map.insert(it.key(), variantFromJson(it.value()));
        return map;
    }
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        break;
    }
    return {};
}

bool readJson(QIODevice& device, QSettings::SettingsMap& map)
{
    std::optional<QVariantMap> values = JsonSettingsFormat::parse(device.readAll());
    if (!values)
        return false;
    map = std::move(*values);
    return true;
}

bool writeJson(QIODevice& device, const QSettings::SettingsMap& map)
{
    const std::optional<QByteArray> data = JsonSettingsFormat::serialize(map);
    return data && device.write(*data) == data->size();
}

} // namespace

QSettings::Format JsonSettingsFormat::format()
{
    static const QSettings::Format registered = QSettings::registerFormat(u"json"_s, readJson, writeJson);
    return registered;
}

std::optional<QVariantMap> JsonSettingsFormat::parse(const QByteArray& data)
{
    if (data.trimmed().isEmpty())
        return QVariantMap{};
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return variantFromJson(document.object()).toMap();
}

std::optional<QByteArray> JsonSettingsFormat::serialize(const QVariantMap& values)
{
    QJsonObject object;
    for (auto it = values.begin(); it != values.end(); ++it) {
        const QJsonValue value = QJsonValue::fromVariant(it.value());
        // Null only stands for an invalid variant; anything else turned null has no JSON form.
        if (value.isNull() && it.value().isValid() && !it.value().isNull())
            return std::nullopt;
        object.insert(it.key(), value);
    }
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

} // namespace tallyvane
