#include "WidgetJsonWriter.h"

#include <QLocale>

#include <cmath>

namespace tallyvane {

void WidgetJsonWriter::beginObject()
{
    beforeValue();
    m_text += '{';
    m_hasElement.append(false);
}

void WidgetJsonWriter::endObject()
{
    m_hasElement.removeLast();
    m_text += '}';
}

void WidgetJsonWriter::beginArray()
{
    beforeValue();
    m_text += '[';
    m_hasElement.append(false);
}

void WidgetJsonWriter::endArray()
{
    m_hasElement.removeLast();
    m_text += ']';
}

void WidgetJsonWriter::key(QStringView name)
{
    beforeValue();
    appendString(name);
    m_text += ':';
    m_afterKey = true;
}

void WidgetJsonWriter::value(QStringView text)
{
    beforeValue();
    appendString(text);
}

void WidgetJsonWriter::value(double number)
{
    beforeValue();
    if (!std::isfinite(number)) {
        m_failed = true;
        return;
    }
    m_text += QByteArray::number(number, 'g', QLocale::FloatingPointShortest);
}

std::optional<QByteArray> WidgetJsonWriter::finish() const
{
    if (m_failed || !m_hasElement.isEmpty())
        return std::nullopt;
    return m_text;
}

void WidgetJsonWriter::beforeValue()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (m_hasElement.isEmpty())
        return;
    if (m_hasElement.last())
        m_text += ',';
    m_hasElement.last() = true;
}

void WidgetJsonWriter::appendString(QStringView text)
{
    static constexpr char hex[] = "0123456789abcdef";
    m_text += '"';
    for (const char c : text.toUtf8()) {
        switch (c) {
        case '"':
            m_text += "\\\"";
            break;
        case '\\':
            m_text += "\\\\";
            break;
        case '\b':
            m_text += "\\b";
            break;
        case '\f':
            m_text += "\\f";
            break;
        case '\n':
            m_text += "\\n";
            break;
        case '\r':
            m_text += "\\r";
            break;
        case '\t':
            m_text += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                m_text += "\\u00";
                m_text += hex[(c >> 4) & 0xf];
                m_text += hex[c & 0xf];
            } else {
                m_text += c;
            }
        }
    }
    m_text += '"';
}

} // namespace tallyvane
