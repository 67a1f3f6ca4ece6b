// Setting texts read as numbers: every byte sequence gives a value or a
// NumberConversionException, and a value printed back reads the same.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "support/ErrorException.h"
#include "support/NumberConverter.h"

namespace {

using Dravo::Support::NumberConversionException;
using Dravo::Support::NumberConverter;
using Dravo::Support::WideString;

template <typename Convert, typename Print>
void CheckIntegerRoundTrip(const std::string& text, bool strict, Convert convert, Print print)
{
    try {
        const auto value = convert(text, strict);
        if (convert(print(value), true) != value) {
            __builtin_trap();
        }
    } catch (const NumberConversionException&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    const bool strict = (data[0] & 1) != 0;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);

    CheckIntegerRoundTrip(text, strict, NumberConverter::ConvertStringToInt16,
        [](int16_t v) { return NumberConverter::ConvertInt16ToWString(v).GetAsUTF8(); });
    CheckIntegerRoundTrip(text, strict, NumberConverter::ConvertStringToUInt16, NumberConverter::ConvertUInt16ToString);
    CheckIntegerRoundTrip(text, strict, NumberConverter::ConvertStringToInt32,
        [](int32_t v) { return NumberConverter::ConvertInt32ToWString(v).GetAsUTF8(); });
    CheckIntegerRoundTrip(text, strict, NumberConverter::ConvertStringToUInt32, NumberConverter::ConvertUInt32ToString);

    try {
        const double value = NumberConverter::ConvertStringToDouble(text.data(), text.size());
        // Only finite numbers need digits, so only they can be plain decimal text.
        if (std::isfinite(value) && text.find_first_of("0123456789") == std::string::npos) {
            __builtin_trap();
        }
    } catch (const NumberConversionException&) {
    }
    // The wide path decodes the bytes first; invalid UTF-8 must not matter.
    try {
        (void)NumberConverter::ConvertWStringToInt32(WideString(text), strict);
        (void)NumberConverter::ConvertWStringToDouble(WideString(text));
    } catch (const Dravo::Support::ErrorException&) {
    }
    return 0;
}
