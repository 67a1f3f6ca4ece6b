#include "app/JsonWriter.h"

#include <algorithm>
#include <cmath>

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
        case '"':
            m_text += "\\\"";
            break;
        case '\\':
            m_text += "\\\\";
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

JsonWriter& JsonWriter::Number(double value, int decimals)
{
    BeforeValue();
    // By hand, not printf: a locale's decimal comma is no JSON. JSON has no
    // infinities or NaN, and nothing here is that large: such a value is 0.
    decimals = std::clamp(decimals, 0, 9);
    const double scale = std::pow(10.0, decimals);
    const double scaled = std::round(value * scale);
    const long long units = std::isfinite(scaled) && std::fabs(scaled) < 1e18 ? static_cast<long long>(scaled) : 0;
    const unsigned long long magnitude =
        units < 0 ? 0ULL - static_cast<unsigned long long>(units) : static_cast<unsigned long long>(units);
    unsigned long long divisor = 1;
    for (int digit = 0; digit < decimals; ++digit) {
        divisor *= 10;
    }
    if (units < 0) {
        m_text += '-';
    }
    m_text += std::to_string(magnitude / divisor);
    if (decimals > 0) {
        const std::string fraction = std::to_string(magnitude % divisor);
        m_text += '.';
        m_text.append(static_cast<size_t>(decimals) - fraction.size(), '0');
        m_text += fraction;
    }
    return *this;
}

JsonWriter& JsonWriter::Null()
{
    BeforeValue();
    m_text += "null";
    return *this;
}

} // namespace Dravo::VezurAVUZ
