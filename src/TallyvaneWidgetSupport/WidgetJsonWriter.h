#pragma once

#include <QByteArray>
#include <QList>
#include <QStringView>

#include <optional>

namespace tallyvane {

// Compact JSON written in the order the calls arrive: the widget document's keys have a fixed
// order, which QJsonObject (sorted keys) cannot keep. Strings and numbers come out as
// QJsonDocument writes them. A non-finite number cannot be written: it fails the whole text.
class WidgetJsonWriter {
public:
    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    // The key of the next value inside an object.
    void key(QStringView name);
    void value(QStringView text);
    void value(double number);

    // The text, or nothing when a value could not be written.
    std::optional<QByteArray> finish() const;

private:
    void beforeValue();
    void appendString(QStringView text);

    QByteArray m_text;
    // Per open container: whether it holds an element yet (a comma precedes the next one).
    QList<bool> m_hasElement;
    bool m_afterKey = false;
    bool m_failed = false;
};

} // namespace tallyvane
