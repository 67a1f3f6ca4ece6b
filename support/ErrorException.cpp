#include "support/ErrorException.h"

#include <algorithm>
#include <string>

#include "support/MessageSource.h"

namespace Dravo::Support {
namespace {

WideString Decimal(int64_t value)
{
    return WideString(std::to_string(value));
}

// Quotes a text and escapes the double quotes inside it.
WideString Quoted(const WideString& text)
{
    WideString escaped(text.IsNull() ? WideString(u"") : text);
    escaped.Replace(WideString(u"\""), WideString(u"\\\""));
    return WideString(u"\"") + escaped + WideString(u"\"");
}

} // namespace

ErrorException::ErrorException(
    int32_t diagState, int32_t nativeErrorCode, const WideString& messageText, int32_t row, int32_t column)
    : m_diagState(diagState), m_nativeErrorCode(nativeErrorCode), m_messageKey(messageText), m_rowNumber(row),
      m_columnNumber(column), m_isFormatted(true)
{
}

ErrorException::ErrorException(int32_t componentId, const WideString& messageKey)
    : m_componentId(componentId), m_messageKey(messageKey)
{
}

ErrorException::ErrorException(int32_t diagState, int32_t componentId, const WideString& messageKey,
    const std::vector<WideString>& parameters, int32_t row, int32_t column)
    : m_diagState(diagState), m_componentId(componentId), m_messageKey(messageKey), m_parameters(parameters),
      m_rowNumber(row), m_columnNumber(column), m_hasParameters(true)
{
}

ErrorException::~ErrorException() = default;

const char* ErrorException::what() const noexcept
{
    try {
        if (m_what.empty()) {
            m_what = GetUnformattedText().GetAsUTF8();
        }
        return m_what.c_str();
    } catch (...) {
        return "ErrorException";
    }
}

std::string ErrorException::GetCustomState() const
{
    return std::string(m_customState.data(), std::find(m_customState.begin(), m_customState.end(), '\0'));
}

void ErrorException::SetCustomState(const std::string& state)
{
    m_customState.fill('\0');
    std::copy_n(state.begin(), std::min(state.size(), m_customState.size() - 1), m_customState.begin());
}

WideString ErrorException::GetMessageText(IMessageSource* source, const std::string& locale)
{
    if (m_isFormatted) {
        return m_messageKey;
    }
    if (!source) {
        m_messageKey = WideString(u"Cannot create a message with a NULL message source");
        m_nativeErrorCode = -1;
        return m_messageKey;
    }
    WideString text;
    if (m_hasParameters) {
        source->LoadMessage(locale, m_messageKey, m_componentId, m_parameters, text, m_nativeErrorCode);
    } else {
        source->LoadMessage(locale, m_messageKey, m_componentId, text, m_nativeErrorCode);
    }
    m_messageKey = text;
    m_isFormatted = true;
    return m_messageKey;
}

WideString ErrorException::GetUnformattedText() const
{
    if (m_isFormatted) {
        return m_messageKey;
    }
    WideString text(u"Unformatted ErrorException: {MessageKey=");
    text += Quoted(m_messageKey);
    text += WideString(u" ComponentID=") + Decimal(m_componentId);
    text += WideString(u"' RowNumber=") + (m_rowNumber == -1 ? WideString(u"UNKNOWN") : Decimal(m_rowNumber));
    text += WideString(u" ColumnNumber=") + (m_columnNumber == -1 ? WideString(u"UNKNOWN") : Decimal(m_columnNumber));
    const std::string customState = GetCustomState();
    if (!customState.empty()) {
        text += WideString(u" CustomState=") + Quoted(WideString(customState));
    } else {
        text += WideString(u" DiagState=") + Decimal(static_cast<int64_t>(m_diagState));
    }
    if (m_hasParameters) {
        text += WideString(u" MessageParameters=[");
        for (size_t i = 0; i < m_parameters.size(); ++i) {
            if (i > 0) {
                text += WideString(u", ");
            }
            text += m_parameters[i].IsNull() ? WideString(u"") : m_parameters[i];
        }
        text += WideString(u"]");
    }
    text += WideString(u"}");
    return text;
}

ProductException::~ProductException() = default;
NumberConversionException::~NumberConversionException() = default;

NumberConversionInvalidDataException::NumberConversionInvalidDataException(const WideString& key)
    : NumberConversionException(SUPPORT_COMPONENT_ID, key)
{
}

NumberConversionInvalidDataException::NumberConversionInvalidDataException(
    const WideString& key, const std::vector<WideString>& parameters)
    : NumberConversionException(DIAG_GENERAL_ERROR, SUPPORT_COMPONENT_ID, key, parameters, -1, -1)
{
}

NumberConversionInvalidDataException::~NumberConversionInvalidDataException() = default;
NumberConversionOutOfRangeException::~NumberConversionOutOfRangeException() = default;
InvalidArgumentException::~InvalidArgumentException() = default;
InvalidOperationException::~InvalidOperationException() = default;

} // namespace Dravo::Support

namespace Dravo::DSI {
DSIException::~DSIException() = default;
} // namespace Dravo::DSI
