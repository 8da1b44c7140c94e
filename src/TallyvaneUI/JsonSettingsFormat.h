#pragma once

#include <QByteArray>
#include <QSettings>
#include <QVariantMap>

#include <optional>

namespace tallyvane {

// A QSettings format that keeps the store as one JSON object, so a boolean stays a boolean and
// a number stays a number (INI would turn every value into text). Keys are stored flat.
//
// JSON does not tell 120 from 120.0, so every number reads back as a double; the store only
// holds booleans, strings and floating seconds.
class JsonSettingsFormat {
public:
    JsonSettingsFormat() = delete;

    // Registered once per process with the extension "json".
    static QSettings::Format format();

    // The object's members; empty or blank data is an empty store. Absent when the data is not a
    // JSON object.
    static std::optional<QVariantMap> parse(const QByteArray& data);
    // Absent when a value has no JSON form.
    static std::optional<QByteArray> serialize(const QVariantMap& values);
};

} // namespace tallyvane
