// Narrow text is in the ANSI code page on Windows.
#include "platform/NarrowText.h"

#include <climits>

#include <windows.h>

namespace Dravo::OS {

std::optional<std::u16string> NarrowTextToUtf16(std::string_view text)
{
    if (text.empty()) {
        return std::u16string();
    }
    if (text.size() > INT_MAX) {
        return std::nullopt;
    }
    const int length = static_cast<int>(text.size());
    const int units = ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
    if (units <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<size_t>(units), L'\0');
    ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), length, wide.data(), units);
    return std::u16string(wide.begin(), wide.end());
}

std::string Utf16ToNarrowText(std::u16string_view text)
{
    if (text.empty() || text.size() > INT_MAX) {
        return {};
    }
    const std::wstring wide(text.begin(), text.end());
    const int length = static_cast<int>(wide.size());
    const int bytes = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) {
        return {};
    }
    std::string narrow(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, wide.data(), length, narrow.data(), bytes, nullptr, nullptr);
    return narrow;
}

} // namespace Dravo::OS
