#include "app/JsonWriter.h"

namespace Dravo::VezurAVUZ {

void JsonWriter::BeforeValue()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_hasMember.empty()) {
        if (m_hasMember.back()) {
            m_text += ',';
        }
        m_hasMember.back() = true;
    }
}

void JsonWriter::AppendString(std::string_view utf8)
{
    static constexpr char HEX[] = "0123456789abcdef";
    m_text += '"';
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"': m_text += "\\\""; break;
        case '\\': m_text += "\\\\"; break;
        case '\n': m_text += "\\n"; break;
        case '\r': m_text += "\\r"; break;
        case '\t': m_text += "\\t"; break;
        default:
            if (byte < 0x20) {
                m_text += "\\u00";
                m_text += HEX[byte >> 4];
                m_text += HEX[byte & 0xF];
            } else {
                m_text += c;
            }
        }
    }
    m_text += '"';
}

JsonWriter& JsonWriter::BeginObject()
{
    BeforeValue();
    m_text += '{';
    m_hasMember.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::EndObject()
{
    m_text += '}';
    m_hasMember.pop_back();
    return *this;
}

JsonWriter& JsonWriter::BeginArray()
{
    BeforeValue();
    m_text += '[';
    m_hasMember.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::EndArray()
{
    m_text += ']';
    m_hasMember.pop_back();
    return *this;
}

JsonWriter& JsonWriter::Key(std::string_view name)
{
    BeforeValue();
    AppendString(name);
    m_text += ':';
    m_afterKey = true;
    return *this;
}

JsonWriter& JsonWriter::String(std::string_view utf8)
{
    BeforeValue();
    AppendString(utf8);
    return *this;
}

JsonWriter& JsonWriter::Bool(bool value)
{
    BeforeValue();
    m_text += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::Null()
{
    BeforeValue();
    m_text += "null";
    return *this;
}

} // namespace Dravo::VezurAVUZ
