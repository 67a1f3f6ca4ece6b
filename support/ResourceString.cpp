#include "support/ResourceString.h"

#include <algorithm>
#include <vector>

#include "resources/StringTable.h"
#include "support/ErrorException.h"
#include "support/NumberConverter.h"

namespace Dravo::Support {
namespace {

constexpr int32_t BUFFER_STEP = 2048;

// The compiled-in table behind the platform's contract: a truncating copy,
// so that a text longer than the buffer is noticed by the caller's growth rule.
int32_t LoadFromStringTable(uint32_t id, char16_t* buffer, int32_t size)
{
    const auto text = Resources::FindString(id);
    if (!text || size <= 0) {
        return 0;
    }
    const size_t copied = std::min(text->size(), static_cast<size_t>(size - 1));
    std::copy_n(text->data(), copied, buffer);
    buffer[copied] = 0;
    return static_cast<int32_t>(copied);
}

const WideString& FallbackText()
{
    static const WideString text(u"Error loading the string.");
    return text;
}

} // namespace

WideString LoadResourceString(uint32_t id)
{
    return LoadResourceString(id, LoadFromStringTable);
}

WideString LoadResourceString(uint32_t id, const StringLoader& loader)
{
    std::vector<char16_t> buffer(BUFFER_STEP, 0);
    for (;;) {
        const int32_t size = static_cast<int32_t>(buffer.size());
        const int32_t length = loader(id, buffer.data(), size);
        // A length beyond the buffer is a broken loader, not a text.
        if (length <= 0 || length > size) {
            return FallbackText();
        }
        // A full or nearly full buffer may have cut the text: try a bigger one.
        if (length >= size - 1) {
            buffer.assign(buffer.size() + BUFFER_STEP, 0);
            continue;
        }
        return WideString(buffer.data(), length);
    }
}

WideString FormatResourceString(uint32_t id, std::initializer_list<WideString> arguments)
{
    const std::u16string text = LoadResourceString(id).GetAsU16String();
    std::u16string result;
    for (size_t index = 0; index < text.size(); ++index) {
        const char16_t digit = index + 1 < text.size() ? text[index + 1] : u'\0';
        const size_t argument = digit >= u'1' && digit <= u'9' ? static_cast<size_t>(digit - u'1') : arguments.size();
        if (text[index] == u'%' && argument < arguments.size()) {
            result += (arguments.begin() + argument)->GetAsU16String();
            ++index;
        } else {
            result += text[index];
        }
    }
    return WideString(result);
}

void RaiseStringResourceError(uint32_t id)
{
    throw ErrorException(DIAG_GENERAL_ERROR, DS_COMPONENT_ID, WideString(u"DSStringResourceError"),
        {NumberConverter::ConvertUInt32ToWString(id)}, -1, -1);
}

WideString LoadRequiredResourceString(uint32_t id)
{
    const std::optional<std::u16string_view> text = Resources::FindString(id);
    if (!text) {
        RaiseStringResourceError(id);
    }
    return WideString(*text);
}

} // namespace Dravo::Support
