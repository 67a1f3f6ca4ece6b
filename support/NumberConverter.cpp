#include "support/NumberConverter.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>
#include <type_traits>

#include "support/ErrorException.h"

namespace Dravo::Support {
namespace {

constexpr std::array<char, 200> MakeDigitPairs()
{
    std::array<char, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs[static_cast<size_t>(2 * i)] = static_cast<char>('0' + i / 10);
        pairs[static_cast<size_t>(2 * i + 1)] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}

// "00" .. "99": two digits per division halves the divisions.
constexpr std::array<char, 200> DIGIT_PAIRS = MakeDigitPairs();

// Room for "-18446744073709551615"; each conversion passes the buffer that
// fits its type, and the check below stays for a buffer that would not.
constexpr size_t MAX_DIGITS = 21;

[[noreturn]] void ThrowCannotPrint()
{
    throw NumberConversionInvalidDataException(WideString(u"NumToStrConvFailed"));
}

// Writes the digits of a magnitude from the right end of the buffer and
// returns the index of the first character.
template <size_t Capacity> size_t WriteDigits(uint64_t magnitude, bool negative, std::array<char, Capacity>& buffer)
{
    size_t start = Capacity;
    auto put = [&](char c) {
        if (start == 0) {
            ThrowCannotPrint();
        }
        buffer[--start] = c;
    };
    if (magnitude == 0) {
        put('0');
    }
    while (magnitude >= 10) {
        const size_t pair = static_cast<size_t>(magnitude % 100) * 2;
        put(DIGIT_PAIRS[pair + 1]);
        put(DIGIT_PAIRS[pair]);
        magnitude /= 100;
    }
    if (magnitude > 0) {
        put(static_cast<char>('0' + magnitude));
    }
    if (negative) {
        put('-');
    }
    return start;
}

template <typename T> std::string ToNarrow(T value)
{
    std::array<char, MAX_DIGITS> buffer{};
    const bool negative = value < 0;
    // Unsigned negation reaches the magnitude of the most negative value too.
    const uint64_t magnitude =
        negative ? uint64_t{0} - static_cast<uint64_t>(static_cast<int64_t>(value)) : static_cast<uint64_t>(value);
    const size_t start = WriteDigits(magnitude, negative, buffer);
    return std::string(buffer.data() + start, buffer.size() - start);
}

template <typename T> WideString ToWide(T value)
{
    const std::string digits = ToNarrow(value);
    std::array<char16_t, MAX_DIGITS> units{};
    for (size_t i = 0; i < digits.size(); ++i) {
        units[i] = static_cast<char16_t>(digits[i]);
    }
    return WideString(units.data(), static_cast<int32_t>(digits.size()));
}

WideString Rest(std::string_view text, size_t from)
{
    return WideString(std::string(text.substr(from)));
}

[[noreturn]] void ThrowInvalid(std::string_view text, size_t from)
{
    throw NumberConversionInvalidDataException(WideString(u"StrToNumConvFailed"), {Rest(text, from)});
}

[[noreturn]] void ThrowOutOfRange(const char16_t* key, const WideString& parameter)
{
    throw NumberConversionOutOfRangeException(
        DIAG_GENERAL_ERROR, SUPPORT_COMPONENT_ID, WideString(key), {parameter}, -1, -1);
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

template <typename T> T ParseInteger(std::string_view text, bool strict)
{
    using Limits = std::numeric_limits<T>;
    size_t pos = 0;
    bool negative = false;
    if (!text.empty()) {
        if constexpr (std::is_unsigned_v<T>) {
            if (text[0] == '-') {
                ThrowOutOfRange(u"StrToNumConvFailedUnsigned", WideString(std::string(text)));
            }
        } else {
            negative = text[0] == '-';
        }
        if (text[0] == '-' || text[0] == '+') {
            ++pos;
        }
    }
    if (pos == text.size()) {
        if (strict) {
            ThrowInvalid(text, pos);
        }
        return 0;
    }
    // Negative numbers accumulate downwards so that the minimum is reachable.
    int64_t value = 0;
    bool outOfRange = false;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (!IsDigit(c)) {
            if (strict) {
                ThrowInvalid(text, pos);
            }
            break;
        }
        if (outOfRange) {
            continue;
        }
        const int64_t digit = c - '0';
        const int64_t next = negative ? value * 10 - digit : value * 10 + digit;
        if (next < static_cast<int64_t>(Limits::min()) || next > static_cast<int64_t>(Limits::max())) {
            outOfRange = true;
        } else {
            value = next;
        }
    }
    if (outOfRange) {
        ThrowOutOfRange(negative ? u"StrToNumConvFailedUnderflow" : u"StrToNumConvFailedOverflow", Rest(text, pos));
    }
    return static_cast<T>(value);
}

bool IsCaseInsensitivePrefix(std::string_view text, std::string_view of)
{
    if (text.size() > of.size()) {
        return false;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
        if (c != of[i]) {
            return false;
        }
    }
    return true;
}

// Checks the plain decimal form [sign] digits [. digits] [e [sign] digits]
// and works out whether a value out of range is too large or too small.
struct DecimalShape {
    bool valid = false;
    bool tooLarge = false;
};

DecimalShape CheckDecimal(std::string_view text)
{
    DecimalShape shape;
    size_t pos = 0;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        ++pos;
    }
    // The decimal exponent of the first significant digit, before the
    // written exponent is added.
    int64_t magnitude = 0;
    bool seenSignificant = false;
    size_t digits = 0;
    while (pos < text.size() && IsDigit(text[pos])) {
        seenSignificant = seenSignificant || text[pos] != '0';
        magnitude += seenSignificant ? 1 : 0;
        ++digits;
        ++pos;
    }
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        while (pos < text.size() && IsDigit(text[pos])) {
            if (!seenSignificant) {
                seenSignificant = text[pos] != '0';
                magnitude -= seenSignificant ? 0 : 1;
            }
            ++digits;
            ++pos;
        }
    }
    if (digits == 0) {
        return shape;
    }
    int64_t exponent = 0;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        ++pos;
        bool negativeExponent = false;
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
            negativeExponent = text[pos] == '-';
            ++pos;
        }
        const size_t exponentStart = pos;
        while (pos < text.size() && IsDigit(text[pos])) {
            // Saturates: far beyond any double either way.
            exponent = exponent < 100000000 ? exponent * 10 + (text[pos] - '0') : exponent;
            ++pos;
        }
        if (pos == exponentStart) {
            return shape;
        }
        exponent = negativeExponent ? -exponent : exponent;
    }
    shape.valid = pos == text.size();
    shape.tooLarge = magnitude + exponent > 0;
    return shape;
}

double ParseDouble(std::string_view text, const WideString& original)
{
    if (text.size() >= 3 && IsCaseInsensitivePrefix(text, "INFINITY")) {
        return std::numeric_limits<double>::infinity();
    }
    if (text.size() >= 4 && IsCaseInsensitivePrefix(text, "-INFINITY")) {
        return -std::numeric_limits<double>::infinity();
    }
    if (text.size() == 3 && IsCaseInsensitivePrefix(text, "NAN")) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    const DecimalShape shape = CheckDecimal(text);
    if (!shape.valid) {
        throw NumberConversionInvalidDataException(WideString(u"StrToNumConvFailed"), {original});
    }
    // from_chars is independent of the C locale, which the terminal backend sets.
    std::string_view number = text[0] == '+' ? text.substr(1) : text;
    double value = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range) {
        // The nearest double of a number beyond the range is infinity, of one
        // below it zero, both with the sign.
        value = shape.tooLarge ? std::numeric_limits<double>::infinity() : 0.0;
        return number[0] == '-' ? -value : value;
    }
    if (error != std::errc() || end != number.data() + number.size()) {
        throw NumberConversionInvalidDataException(WideString(u"StrToNumConvFailed"), {original});
    }
    return value;
}

} // namespace

WideString NumberConverter::ConvertUInt16ToWString(uint16_t value)
{
    return ToWide(value);
}

std::string NumberConverter::ConvertUInt16ToString(uint16_t value)
{
    return ToNarrow(value);
}

WideString NumberConverter::ConvertInt16ToWString(int16_t value)
{
    return ToWide(value);
}

WideString NumberConverter::ConvertUInt32ToWString(uint32_t value)
{
    return ToWide(value);
}

std::string NumberConverter::ConvertUInt32ToString(uint32_t value)
{
    return ToNarrow(value);
}

WideString NumberConverter::ConvertInt32ToWString(int32_t value)
{
    return ToWide(value);
}

WideString NumberConverter::ConvertUInt64ToWString(uint64_t value)
{
    return ToWide(value);
}

WideString NumberConverter::ConvertInt64ToWString(int64_t value)
{
    return ToWide(value);
}

int16_t NumberConverter::ConvertWStringToInt16(const WideString& text, bool strict)
{
    return ParseInteger<int16_t>(text.GetAsUTF8(), strict);
}

uint16_t NumberConverter::ConvertWStringToUInt16(const WideString& text, bool strict)
{
    return ParseInteger<uint16_t>(text.GetAsUTF8(), strict);
}

int32_t NumberConverter::ConvertWStringToInt32(const WideString& text, bool strict)
{
    return ParseInteger<int32_t>(text.GetAsUTF8(), strict);
}

uint32_t NumberConverter::ConvertWStringToUInt32(const WideString& text, bool strict)
{
    return ParseInteger<uint32_t>(text.GetAsUTF8(), strict);
}

int16_t NumberConverter::ConvertStringToInt16(const std::string& text, bool strict)
{
    return ParseInteger<int16_t>(text, strict);
}

uint16_t NumberConverter::ConvertStringToUInt16(const std::string& text, bool strict)
{
    return ParseInteger<uint16_t>(text, strict);
}

int32_t NumberConverter::ConvertStringToInt32(const std::string& text, bool strict)
{
    return ParseInteger<int32_t>(text, strict);
}

uint32_t NumberConverter::ConvertStringToUInt32(const std::string& text, bool strict)
{
    return ParseInteger<uint32_t>(text, strict);
}

double NumberConverter::ConvertWStringToDouble(const WideString& text)
{
    const WideString original = text.IsNull() ? WideString(u"") : text;
    return ParseDouble(text.GetAsUTF8(), original);
}

double NumberConverter::ConvertStringToDouble(const std::string& text)
{
    return ParseDouble(text, WideString(text));
}

double NumberConverter::ConvertStringToDouble(const char* text, size_t length)
{
    const std::string part(text ? text : "", text ? length : 0);
    return ParseDouble(part, WideString(part));
}

} // namespace Dravo::Support
