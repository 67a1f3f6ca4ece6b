// The exception family of the support library. An ErrorException carries a
// message key, the component whose message file defines it and the parameters
// to substitute; the sentence is produced later by a message source, or shown
// in a fixed unformatted form when there is none.
#pragma once

#include <array>
#include <cstdint>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "support/WideString.h"

namespace Dravo::Support {

class IMessageSource;

/// Component ids used by this program.
inline constexpr int32_t DSI_COMPONENT_ID = 2;
inline constexpr int32_t SUPPORT_COMPONENT_ID = 3;
inline constexpr int32_t DS_COMPONENT_ID = 110;

/// Index of "HY000" in the SQLSTATE table: the general error.
inline constexpr int32_t DIAG_GENERAL_ERROR = 63;

/// Every failure of the product's own is a std::exception, so that one
/// handler reaches them all; what() is a developer's description. What the
/// user reads comes from the one failure translator, DescribeCurrentException
/// (driversupport/FailureText.h).
class ErrorException : public std::exception {
public:
    /// Formatted form: the message text is final.
    ErrorException(
        int32_t diagState, int32_t nativeErrorCode, const WideString& messageText, int32_t row, int32_t column);
    /// Key only: diag state 63, row and column -1, no parameters.
    ErrorException(int32_t componentId, const WideString& messageKey);
    /// Key with parameters.
    ErrorException(int32_t diagState, int32_t componentId, const WideString& messageKey,
        const std::vector<WideString>& parameters, int32_t row = -1, int32_t column = -1);
    ErrorException(const ErrorException&) = default;
    ErrorException& operator=(const ErrorException&) = default;
    ~ErrorException() override;

    /// The text without a message source (GetUnformattedText).
    [[nodiscard]] const char* what() const noexcept override;

    /// The finished text: formats through the source once and keeps the result.
    WideString GetMessageText(IMessageSource* source, const std::string& locale);
    /// The text without any message source: the formatted text when formatted,
    /// otherwise "Unformatted ErrorException: {MessageKey=...}".
    [[nodiscard]] WideString GetUnformattedText() const;

    [[nodiscard]] int32_t GetDiagState() const { return m_diagState; }
    [[nodiscard]] std::string GetCustomState() const;
    void SetCustomState(const std::string& state);
    [[nodiscard]] int32_t GetComponentId() const { return m_componentId; }
    [[nodiscard]] int32_t GetNativeErrorCode() const { return m_nativeErrorCode; }
    [[nodiscard]] const WideString& GetMessageKey() const { return m_messageKey; }
    [[nodiscard]] const std::vector<WideString>& GetParameters() const { return m_parameters; }
    [[nodiscard]] int32_t GetRowNumber() const { return m_rowNumber; }
    [[nodiscard]] int32_t GetColumnNumber() const { return m_columnNumber; }
    [[nodiscard]] bool HasParameters() const { return m_hasParameters; }
    [[nodiscard]] bool IsFormatted() const { return m_isFormatted; }

private:
    int32_t m_diagState = DIAG_GENERAL_ERROR;
    std::array<char, 8> m_customState{};
    int32_t m_componentId = 0;
    int32_t m_nativeErrorCode = 0;
    WideString m_messageKey;
    std::vector<WideString> m_parameters;
    int32_t m_rowNumber = -1;
    int32_t m_columnNumber = -1;
    bool m_hasParameters = false;
    bool m_isFormatted = false;
    /// what()'s text, made when first asked for.
    mutable std::string m_what;
};

} // namespace Dravo::Support

namespace Dravo::DSI {

class DSIException : public Support::ErrorException {
public:
    using ErrorException::ErrorException;
    ~DSIException() override;
};

} // namespace Dravo::DSI

namespace Dravo::Support {

class ProductException : public ErrorException {
public:
    using ErrorException::ErrorException;
    ~ProductException() override;
};

class NumberConversionException : public ProductException {
public:
    using ProductException::ProductException;
    ~NumberConversionException() override;
};

class NumberConversionInvalidDataException : public NumberConversionException {
public:
    using NumberConversionException::NumberConversionException;
    /// Shorthands: component 3, diag state 63, row and column -1.
    explicit NumberConversionInvalidDataException(const WideString& key);
    NumberConversionInvalidDataException(const WideString& key, const std::vector<WideString>& parameters);
    ~NumberConversionInvalidDataException() override;
};

class NumberConversionOutOfRangeException : public NumberConversionException {
public:
    using NumberConversionException::NumberConversionException;
    ~NumberConversionOutOfRangeException() override;
};

class InvalidArgumentException : public ErrorException {
public:
    using ErrorException::ErrorException;
    ~InvalidArgumentException() override;
};

class InvalidOperationException : public ErrorException {
public:
    using ErrorException::ErrorException;
    ~InvalidOperationException() override;
};

} // namespace Dravo::Support

namespace Dravo::DriverSupport {

/// Error types of the configuration-support library; the texts live in the
/// string table.
enum DSErrorType : int32_t {
    DS_ERROR_INVALID_HWND = 0,
    DS_ERROR_INVALID_KEYWORD_VALUE = 1,
    DS_ERROR_INVALID_NAME = 2,
    DS_ERROR_INVALID_REQUEST_TYPE = 3,
    DS_ERROR_REQUEST_FAILED = 4,
    DS_ERROR_DRIVER_SPECIFIC = 5,
    DS_ERROR_REGISTRY_WRITE = 6,
    DS_ERROR_INVALID_DSN = 7,
    DS_ERROR_INVALID_LOG_FILE_COUNT = 8,
    DS_ERROR_INVALID_LOG_FILE_SIZE = 9,
};

/// A configuration-support setup error: one code, and for a failed write the
/// system's reason, which the code's text alone cannot give.
class DSSetupException : public std::exception {
public:
    explicit DSSetupException(int32_t errorType) : m_errorType(errorType) {}
    DSSetupException(int32_t errorType, Support::WideString reason)
        : m_errorType(errorType), m_reason(std::move(reason))
    {
    }
    [[nodiscard]] int32_t GetErrorType() const { return m_errorType; }
    /// Empty when there is none.
    [[nodiscard]] const Support::WideString& GetReason() const { return m_reason; }
    [[nodiscard]] const char* what() const noexcept override { return "configuration setup error"; }

private:
    int32_t m_errorType;
    Support::WideString m_reason;
};

} // namespace Dravo::DriverSupport

namespace Dravo::Varlo {

/// A product-line setup error, raised by the data-source variant.
class VarloSetupException : public std::exception {
public:
    explicit VarloSetupException(int32_t code) : m_code(code) {}
    [[nodiscard]] int32_t GetCode() const { return m_code; }
    [[nodiscard]] const char* what() const noexcept override { return "product setup error"; }

private:
    int32_t m_code;
};

} // namespace Dravo::Varlo
