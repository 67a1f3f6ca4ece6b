#include "platform/Environment.h"

#include <windows.h>

#include "platform/Utf8.h"
#include "platform/win32/WideText.h"

namespace Dravo::OS {

std::optional<std::string> GetEnvironmentValue(const char* name)
{
    std::u16string wideName;
    if (!AppendUtf16FromUtf8(name, wideName)) {
        return std::nullopt;
    }
    const DWORD needed = ::GetEnvironmentVariableW(ToWide(wideName).c_str(), nullptr, 0);
    if (needed <= 1) {
        return std::nullopt;
    }
    std::wstring value(needed, L'\0');
    const DWORD got = ::GetEnvironmentVariableW(ToWide(wideName).c_str(), value.data(), needed);
    value.resize(got);
    std::string utf8;
    if (value.empty() || !AppendUtf8FromUtf16(FromWide(value.c_str()), utf8)) {
        return std::nullopt;
    }
    return utf8;
}

std::vector<std::string> DropCallerChosenVariables(const std::vector<std::string>&)
{
    // Windows starts an administrator's program with their own environment:
    // no caller's environment reaches it through elevation.
    return {};
}

} // namespace Dravo::OS
