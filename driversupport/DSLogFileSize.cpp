#include "driversupport/DSLogFileSize.h"

#include <limits>

#include "support/NumberConverter.h"

namespace Dravo::DriverSupport {

using Support::NumberConverter;
using Support::WideString;

std::optional<uint64_t> DSLogFileSize::ParseByteCount(const WideString& text)
{
    const int32_t length = text.GetLength();
    int32_t index = 0;
    if (index < length && text.CharAt(index) == u'+') {
        ++index;
    }
    if (index == length) {
        return std::nullopt;
    }
    constexpr uint64_t MAX = std::numeric_limits<uint64_t>::max();
    uint64_t value = 0;
    for (; index < length; ++index) {
        const char16_t c = text.CharAt(index);
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        const auto digit = static_cast<uint64_t>(c - u'0');
        if (value > (MAX - digit) / 10) {
            return std::nullopt;
        }
        value = value * 10 + digit;
    }
    return value;
}

WideString DSLogFileSize::BytesToMegabytes(const WideString& bytesText)
{
    const std::optional<uint64_t> bytes = ParseByteCount(bytesText);
    const uint64_t megabytes = bytes.value_or(DEFAULT_BYTES) / BYTES_PER_MEGABYTE;
    return NumberConverter::ConvertUInt64ToWString(
        megabytes <= MAX_MEGABYTES ? megabytes : DEFAULT_BYTES / BYTES_PER_MEGABYTE);
}

WideString DSLogFileSize::MegabytesToBytes(const WideString& megabytesText)
{
    if (megabytesText.IsEmpty()) {
        return WideString(u"");
    }
    const uint32_t megabytes = NumberConverter::ConvertWStringToUInt32(megabytesText, true);
    // Cannot overflow: below 2^32 * 2^20.
    return NumberConverter::ConvertUInt64ToWString(uint64_t{megabytes} * BYTES_PER_MEGABYTE);
}

} // namespace Dravo::DriverSupport
