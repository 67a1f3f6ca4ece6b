#include "support/AttributeData.h"

#include "support/DiagStates.h"
#include "support/ErrorException.h"

namespace Dravo::Support {
namespace {

// The line numbers are fixed message parameters that callers match on, not
// lines of this file.
[[noreturn]] void ThrowWrongType(const char16_t* getter, const char16_t* line)
{
    const SupportError* entry = GetSupportError(SUPPORT_ERROR_INVALID_OPERATION);
    throw InvalidOperationException(entry->diagState, SUPPORT_COMPONENT_ID, WideString(entry->messageKey),
        {WideString(getter), WideString(u"AttributeData"), WideString(line)}, -1, -1);
}

} // namespace

AttributeData::AttributeData(int32_t value) : m_type(ATTRIBUTE_TYPE_INT32), m_bits(static_cast<uint32_t>(value)) {}

AttributeData::AttributeData(uint32_t value) : m_type(ATTRIBUTE_TYPE_UINT32), m_bits(value) {}

AttributeData::AttributeData(int16_t value)
    : m_type(ATTRIBUTE_TYPE_INT16), m_bits(static_cast<uint32_t>(static_cast<int32_t>(value)))
{
}

AttributeData::AttributeData(uint16_t value) : m_type(ATTRIBUTE_TYPE_UINT16), m_bits(value) {}

AttributeData::AttributeData(const WideString& value) : m_type(ATTRIBUTE_TYPE_WSTRING), m_text(value) {}

uint32_t AttributeData::GetUInt32Value() const
{
    if (m_type != ATTRIBUTE_TYPE_UINT32 && m_type != ATTRIBUTE_TYPE_UINT16) {
        ThrowWrongType(u"GetUInt32Value", u"301");
    }
    return m_bits;
}

int32_t AttributeData::GetInt32Value() const
{
    if (m_type != ATTRIBUTE_TYPE_INT32 && m_type != ATTRIBUTE_TYPE_INT16 && m_type != ATTRIBUTE_TYPE_UINT16) {
        ThrowWrongType(u"GetInt32Value", u"323");
    }
    return static_cast<int32_t>(m_bits);
}

const WideString& AttributeData::GetWStringValue() const
{
    if (m_type != ATTRIBUTE_TYPE_WSTRING) {
        ThrowWrongType(u"GetWStringValue", u"346");
    }
    return m_text;
}

} // namespace Dravo::Support
