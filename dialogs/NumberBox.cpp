#include "dialogs/NumberBox.h"

#include <limits>

#include "support/ErrorException.h"
#include "support/NumberConverter.h"

namespace Dravo::VezurAVUZ {

uint32_t ParseNumberBoxText(std::u16string_view text)
{
    size_t position = 0;
    while (position < text.size() && (text[position] == u' ' || text[position] == u'\t')) {
        ++position;
    }
    uint64_t value = 0;
    bool digits = false;
    for (; position < text.size() && text[position] >= u'0' && text[position] <= u'9'; ++position) {
        value = value * 10 + static_cast<uint64_t>(text[position] - u'0');
        if (value > std::numeric_limits<uint32_t>::max()) {
            return 0;
        }
        digits = true;
    }
    return digits ? static_cast<uint32_t>(value) : 0;
}

uint32_t ReadNumberBox(const UI::DialogHost& host, int32_t controlId)
{
    return ParseNumberBoxText(host.GetText(controlId).GetAsU16String());
}

void ShowNumber(UI::DialogHost& host, int32_t controlId, uint32_t value)
{
    host.SetText(controlId, NumberText(value));
}

Support::WideString NumberText(uint32_t value)
{
    return Support::NumberConverter::ConvertUInt32ToWString(value);
}

namespace {

template <typename T, typename Convert>
std::optional<T> ReadStored(const Support::WideString& text, Convert convert)
{
    try {
        return convert(text, true);
    } catch (const Support::ErrorException&) {
        return std::nullopt;
    }
}

} // namespace

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
