// Passing UTF-16 text to the wide Windows functions, whose wchar_t is a UTF-16
// unit here. Private to platform/win32 and ui/win32.
#pragma once

#include <string>
#include <string_view>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

namespace Dravo::OS {

/// A NUL-terminated copy, for the functions that take LPCWSTR.
inline std::wstring ToWide(std::u16string_view text)
{
    return std::wstring(text.begin(), text.end());
}

inline std::u16string FromWide(const wchar_t* text, size_t length)
{
    return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

inline std::u16string FromWide(const wchar_t* text)
{
    return text ? FromWide(text, std::wstring_view(text).size()) : std::u16string();
}

inline std::u16string FromWide(std::wstring_view text)
{
    return FromWide(text.data(), text.size());
}

} // namespace Dravo::OS
