#pragma once

#include "Decimal.h"
#include "EnumCases.h"
#include "Instant.h"
#include "JsonDecodingError.h"

#include <QJsonArray>
#include <QJsonValue>
#include <QList>
#include <QUuid>

#include <cstdint>
#include <expected>

namespace tallyvane {

template <typename T> using Decoded = std::expected<T, JsonDecodingError>;

inline JsonDecodingError decodingError(JsonDecodingError::Reason reason, QStringView path)
{
    return JsonDecodingError{reason, path.toString()};
}

// How one value type is written to and read from JSON. Records specialise it with their
// object form; the primitives of the domain are below.
template <typename T> struct JsonValue;

template <> struct JsonValue<QString> {
    static QJsonValue write(const QString& value) { return value; }
    static Decoded<QString> read(const QJsonValue& json, QStringView path);
};

template <> struct JsonValue<bool> {
    static QJsonValue write(bool value) { return value; }
    static Decoded<bool> read(const QJsonValue& json, QStringView path);
};

// Integers must be integral JSON numbers within the signed 64-bit range.
template <> struct JsonValue<std::int64_t> {
    static QJsonValue write(std::int64_t value) { return static_cast<qint64>(value); }
    static Decoded<std::int64_t> read(const QJsonValue& json, QStringView path);
};

template <> struct JsonValue<Decimal> {
    static QJsonValue write(const Decimal& value) { return value.toDouble(); }
    static Decoded<Decimal> read(const QJsonValue& json, QStringView path);
};

template <> struct JsonValue<Instant> {
    static QJsonValue write(Instant value) { return value.secondsSinceReferenceDate(); }
    static Decoded<Instant> read(const QJsonValue& json, QStringView path);
};

template <> struct JsonValue<QUuid> {
    static QJsonValue write(const QUuid& value) { return value.toString(QUuid::WithoutBraces); }
    static Decoded<QUuid> read(const QJsonValue& json, QStringView path);
};

template <CaseNamed E> struct JsonValue<E> {
    static QJsonValue write(E value) { return caseName(value); }
    static Decoded<E> read(const QJsonValue& json, QStringView path)
    {
        if (!json.isString())
            return std::unexpected(decodingError(JsonDecodingError::Reason::wrongKind, path));
        if (const auto value = caseNamed<E>(json.toString()))
            return *value;
        return std::unexpected(decodingError(JsonDecodingError::Reason::unknownCase, path));
    }
};

template <typename T> struct JsonValue<QList<T>> {
    static QJsonValue write(const QList<T>& values)
    {
        QJsonArray array;
        for (const T& value : values)
            array.append(JsonValue<T>::write(value));
        return array;
    }
    static Decoded<QList<T>> read(const QJsonValue& json, QStringView path)
    {
        if (!json.isArray())
            return std::unexpected(decodingError(JsonDecodingError::Reason::wrongKind, path));
        const QJsonArray array = json.toArray();
        QList<T> values;
        values.reserve(array.size());
        for (qsizetype i = 0; i < array.size(); ++i) {
            const QString itemPath = path + u'[' + QString::number(i) + u']';
            auto value = JsonValue<T>::read(array[i], itemPath);
            if (!value)
                return std::unexpected(value.error());
            values.append(std::move(*value));
        }
        return values;
    }
};

template <typename T> QJsonValue toJson(const T& value)
{
    return JsonValue<T>::write(value);
}

template <typename T> Decoded<T> fromJson(const QJsonValue& json)
{
    return JsonValue<T>::read(json, {});
}

// Parses a whole document; text that is not JSON is a malformedDocument error.
QJsonValue parseJsonDocument(const QByteArray& bytes, bool* ok);

template <typename T> Decoded<T> fromJsonBytes(const QByteArray& bytes)
{
    bool ok = false;
    const QJsonValue json = parseJsonDocument(bytes, &ok);
    if (!ok)
        return std::unexpected(JsonDecodingError{});
    return fromJson<T>(json);
}

} // namespace tallyvane
