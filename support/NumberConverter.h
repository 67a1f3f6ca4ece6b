// Strict conversions between setting texts and numbers. Blanks are never
// skipped and partial input is accepted only when the caller says so; every
// failure is a NumberConversionException carrying the text that was not read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "support/WideString.h"

namespace Dravo::Support {

class NumberConverter {
public:
    NumberConverter() = delete;

    // Number to decimal text.
    static WideString ConvertUInt16ToWString(uint16_t value);
    static std::string ConvertUInt16ToString(uint16_t value);
    static WideString ConvertInt16ToWString(int16_t value);
    static WideString ConvertUInt32ToWString(uint32_t value);
    static std::string ConvertUInt32ToString(uint32_t value);
    static WideString ConvertInt32ToWString(int32_t value);
    static WideString ConvertUInt64ToWString(uint64_t value);
    static WideString ConvertInt64ToWString(int64_t value);

    /// Text to integer. With strict set any character that is not a decimal
    /// digit (after one leading sign) raises "StrToNumConvFailed"; with strict
    /// clear reading stops there and the digits read so far count. A value out
    /// of range raises "StrToNumConvFailedOverflow" / "...Underflow" either
    /// way; a leading "-" for an unsigned type raises "StrToNumConvFailedUnsigned".
    /// A WideString is converted to UTF-8 first.
    static int16_t ConvertWStringToInt16(const WideString& text, bool strict = true);
    static uint16_t ConvertWStringToUInt16(const WideString& text, bool strict = true);
    static int32_t ConvertWStringToInt32(const WideString& text, bool strict = true);
    static uint32_t ConvertWStringToUInt32(const WideString& text, bool strict = true);
    static int16_t ConvertStringToInt16(const std::string& text, bool strict = true);
    static uint16_t ConvertStringToUInt16(const std::string& text, bool strict = true);
    static int32_t ConvertStringToInt32(const std::string& text, bool strict = true);
    static uint32_t ConvertStringToUInt32(const std::string& text, bool strict = true);

    /// Text to double: a leading part (three characters at least) of
    /// "INFINITY", of "-INFINITY" (four at least), "NaN" in any case, or a
    /// plain decimal number with an optional exponent. Anything else, the
    /// empty text included, raises "StrToNumConvFailed" with the text.
    static double ConvertWStringToDouble(const WideString& text);
    static double ConvertStringToDouble(const std::string& text);
    static double ConvertStringToDouble(const char* text, size_t length);
};

} // namespace Dravo::Support
