#include "settings/NumberReading.h"

#include <limits>

#include "support/ErrorException.h"
#include "support/NumberConverter.h"

namespace Dravo::VezurAVUZ {
namespace {

bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

template <typename T, typename Convert> std::optional<T> ReadStored(const Support::WideString& text, Convert convert)
{
    try {
        return convert(text, true);
    } catch (const Support::ErrorException&) {
        return std::nullopt;
    }
}

} // namespace

std::optional<uint64_t> ReadDecimalDigits(std::u16string_view text)
{
    if (text.empty() || text.size() > 20) {
        return std::nullopt;
    }
    uint64_t value = 0;
    for (const char16_t c : text) {
        if (!IsDigit(c)) {
            return std::nullopt;
        }
        const uint64_t digit = static_cast<uint64_t>(c - u'0');
        if (value > (std::numeric_limits<uint64_t>::max() - digit) / 10) {
            return std::nullopt;
        }
        value = value * 10 + digit;
    }
    return value;
}

uint32_t ParseNumberBoxText(std::u16string_view text)
{
    size_t start = 0;
    while (start < text.size() && (text[start] == u' ' || text[start] == u'\t')) {
        ++start;
    }
    size_t end = start;
    while (end < text.size() && IsDigit(text[end])) {
        ++end;
    }
    // Leading zeros do not make a number long.
    while (end - start > 1 && text[start] == u'0') {
        ++start;
    }
    const std::optional<uint64_t> value = ReadDecimalDigits(text.substr(start, end - start));
    return value && *value <= std::numeric_limits<uint32_t>::max() ? static_cast<uint32_t>(*value) : 0;
}

std::optional<uint32_t> ReadStoredUInt32(const Support::WideString& text)
{
    return ReadStored<uint32_t>(text, &Support::NumberConverter::ConvertWStringToUInt32);
}

std::optional<uint16_t> ReadStoredUInt16(const Support::WideString& text)
{
    return ReadStored<uint16_t>(text, &Support::NumberConverter::ConvertWStringToUInt16);
}

std::optional<int32_t> ReadStoredInt32(const Support::WideString& text)
{
    return ReadStored<int32_t>(text, &Support::NumberConverter::ConvertWStringToInt32);
}

std::optional<int16_t> ReadStoredInt16(const Support::WideString& text)
{
    return ReadStored<int16_t>(text, &Support::NumberConverter::ConvertWStringToInt16);
}

} // namespace Dravo::VezurAVUZ
