// Narrow text is UTF-8 here.
#include "platform/NarrowText.h"

#include "platform/Utf8.h"

namespace Dravo::OS {

std::optional<std::u16string> NarrowTextToUtf16(std::string_view text)
{
    std::u16string units;
    if (!AppendUtf16FromUtf8(text, units)) {
        return std::nullopt;
    }
    return units;
}

std::string Utf16ToNarrowText(std::u16string_view text)
{
    return Utf8OrPlaceholder(text);
}

} // namespace Dravo::OS
