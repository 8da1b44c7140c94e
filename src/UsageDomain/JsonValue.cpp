#include "JsonValue.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <cmath>

namespace tallyvane {

namespace {

template <typename T> Decoded<T> wrongKind(QStringView path)
{
    return std::unexpected(decodingError(JsonDecodingError::Reason::wrongKind, path));
}

} // namespace

Decoded<QString> JsonValue<QString>::read(const QJsonValue& json, QStringView path)
{
    if (!json.isString())
        return wrongKind<QString>(path);
    return json.toString();
}

Decoded<bool> JsonValue<bool>::read(const QJsonValue& json, QStringView path)
{
    if (!json.isBool())
        return wrongKind<bool>(path);
    return json.toBool();
}

Decoded<std::int64_t> JsonValue<std::int64_t>::read(const QJsonValue& json, QStringView path)
{
    if (!json.isDouble())
        return wrongKind<std::int64_t>(path);
    // toInteger answers its fallback for a fraction or an out-of-range value; two different
    // fallbacks tell that apart from a genuine integer.
    const qint64 first = json.toInteger(0);
    if (first != json.toInteger(1))
        return wrongKind<std::int64_t>(path);
    return first;
}

Decoded<Decimal> JsonValue<Decimal>::read(const QJsonValue& json, QStringView path)
{
    if (!json.isDouble())
        return wrongKind<Decimal>(path);
    if (const auto value = Decimal::fromDouble(json.toDouble()))
        return *value;
    return std::unexpected(decodingError(JsonDecodingError::Reason::outOfRange, path));
}

Decoded<Instant> JsonValue<Instant>::read(const QJsonValue& json, QStringView path)
{
    if (!json.isDouble() || !std::isfinite(json.toDouble()))
        return wrongKind<Instant>(path);
    return Instant::fromSecondsSinceReferenceDate(json.toDouble());
}

Decoded<QUuid> JsonValue<QUuid>::read(const QJsonValue& json, QStringView path)
{
    if (!json.isString())
        return wrongKind<QUuid>(path);
    // Only the canonical 36-character form; QUuid alone would also take braces.
    const QString text = json.toString();
    const QUuid uuid = QUuid::fromString(text);
    if (text.size() != 36 || (uuid.isNull() && text != QUuid().toString(QUuid::WithoutBraces)))
        return std::unexpected(decodingError(JsonDecodingError::Reason::invalidUuid, path));
    return uuid;
}

QJsonValue parseJsonDocument(const QByteArray& bytes, bool* ok)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    *ok = error.error == QJsonParseError::NoError;
    if (!*ok)
        return {};
    if (document.isArray())
        return document.array();
    return document.object();
}

} // namespace tallyvane
